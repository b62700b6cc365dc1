// The console front end's own arithmetic and text: copy readings and JSON strings.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/cli/copy_meter.h"
#include "gui/cli/json_line.h"
#include "gui/cli/workstation_files.h"
#include "server_process.h"

namespace harrowlander::cli {
namespace {

TEST(CopyMeter, ReadingsStepsAndTheirText) {
  // Nothing copied or no time passed yet: no rate and no time left, and no division.
  EXPECT_FALSE(CopyReading::Of(1000, 0, 0).secondsLeft);
  EXPECT_FALSE(CopyReading::Of(1000, 500, 0).secondsLeft);
  EXPECT_EQ(DescribeReading(CopyReading::Of(1000, 0, 0)), "  0% 0.00/0.00 MB --.- MB/s --:-- left");

  const CopyReading half = CopyReading::Of(200u << 20, 100u << 20, 10);
  EXPECT_EQ(half.percent, 50);
  EXPECT_EQ(DescribeReading(half), " 50% 100.00/200.00 MB 10.0 MB/s 0:10 left");
  EXPECT_EQ(DescribeReading(CopyReading::Of(8000ull << 20, 1ull << 20, 1)),
            "  0% 1.00/8000.00 MB 1.0 MB/s 2:13:19 left");
  // An empty file is copied as soon as it starts.
  EXPECT_EQ(CopyReading::Of(0, 0, 0).percent, 100);

  TenthSteps steps;
  std::vector<int> reported;
  for (std::uint64_t copied : {0, 5, 9, 10, 11, 35, 36, 99, 100, 100}) {
    const CopyReading reading = CopyReading::Of(100, copied, 1);
    if (steps.Passed(reading)) {
      reported.push_back(reading.percent);
    }
  }
  EXPECT_EQ(reported, (std::vector<int>{10, 35, 99, 100}));
}

TEST(JsonLine, EveryTextStaysOneValidLine) {
  EXPECT_EQ(JsonString("a\"b\\c\n\t\x01\x7f"), R"("a\"b\\c\n\t\u0001\u007f")");
  EXPECT_EQ(JsonString("已经备份完成"), "\"已经备份完成\"");
  // A byte that is no UTF-8 (a GBK byte, an overlong form, a cut sequence) is replaced.
  EXPECT_EQ(JsonString("\xB1\xB8"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString("x\xE5\xB7"), "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonLine().Text("type", "p").Number("n", std::int64_t{3}).Number("s", 0.5).Finish(),
            "{\"type\":\"p\",\"n\":3,\"s\":0.500}\n");
}

// The check before a backup makes a file in the destination's folder to see that it
// can: it leaves nothing there.
TEST(BackupDestination, AFolderThatTakesTheFileIsLeftAsItWas) {
  const ScratchDir folder;
  EXPECT_EQ(BackupDestinationProblem((folder.Path() / "Sales.bak").string(), true), "");
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace
}  // namespace harrowlander::cli
