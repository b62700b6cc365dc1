#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "transfer/copy_file_with_progress.h"

namespace harrowlander {
namespace {

// Speed and time left come once a second has passed, from the average so far.
TEST(CopyProgressText, SpeedAndTimeLeftOnceASecondHasPassed) {
  EXPECT_EQ(CopyProgressText(1048576, 10485760, 0.5), "已复制1.00MB/总计10.00MB");
  EXPECT_EQ(CopyProgressText(2097152, 10485760, 2), "已复制2.00MB/总计10.00MB 1.0MB/s 剩余0:08");
  EXPECT_EQ(CopyProgressText(1048576, 7549747200ull, 1),
            "已复制1.00MB/总计7200.00MB 1.0MB/s 剩余1:59:59");
  EXPECT_EQ(CopyProgressText(0, 10, 5), "已复制0.00MB/总计0.00MB");
}

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
