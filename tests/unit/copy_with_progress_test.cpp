#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "transfer/copy_file_with_progress.h"

namespace harrowlander {
namespace {

TEST(CopyProgressText, MegabytesWithTwoDecimals) {
  EXPECT_EQ(CopyProgressText(1572864, 1572864), "已复制1.50MB/总计1.50MB");
  EXPECT_EQ(CopyProgressText(0, 0), "已复制0.00MB/总计0.00MB");
  EXPECT_EQ(CopyProgressText(1048576, 3221225472ull), "已复制1.00MB/总计3072.00MB");
  EXPECT_EQ(CopyProgressText(5368709120ull, 5368709120ull), "已复制5120.00MB/总计5120.00MB");
}

class CopyFileWithProgressTest : public ::testing::Test {
 protected:
  testing::FakePlatform fake;
};

TEST_F(CopyFileWithProgressTest, PaintsEachNewTextOnTheStatusControlOnly) {
  fake.files.files["/a"] = "x";
  fake.files.progressSteps = {{3221225472ull, 0},
                              {3221225472ull, 0},
                              {3221225472ull, 1572864},
                              {3221225472ull, 3221225472ull}};
  StopRequest stop;
  EXPECT_TRUE(CopyFileWithProgress(fake.ports, "/a", "/b", stop).Copied());
  EXPECT_EQ(fake.window.events,
            (std::vector<std::string>{"copy /a -> /b", "painted 1008 = 已复制0.00MB/总计3072.00MB",
                                      "painted 1008 = 已复制1.50MB/总计3072.00MB",
                                      "painted 1008 = 已复制3072.00MB/总计3072.00MB"}));
}

}  // namespace
}  // namespace harrowlander
