#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"

namespace harrowlander {
namespace {

using namespace res;

class ShrinkTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
  }

  const std::vector<std::string> kNormalRun = {
      "create connection",
      "connection timeout 15",
      "command timeout 60",
      kMasterConnection,
      "text 1008 = 清空[Sales]日志...",
      "execute backup log [Sales] with no_log",
      "release result",
      "text 1008 = 收缩数据库[Sales]空闲空间至[10%]...",
      "execute DBCC SHRINKDATABASE ([Sales],10)",
      "release result",
      "text 1008 = 已经收缩数据库[Sales].",
      "connection close",
      "release connection",
  };
};

TEST_F(ShrinkTest, EmptiesTheLogThenShrinks) {
  EXPECT_EQ(dlg.ShrinkDatabase(), 1);
  EXPECT_EQ(Timeline(), kNormalRun);
}

TEST_F(ShrinkTest, WithoutTheLogStepOnlyTheShrinkIsSent) {
  dlg.m_bTruncateLogBeforeShrink = 0;
  dlg.m_nShrinkPercent = 100;
  EXPECT_EQ(dlg.ShrinkDatabase(), 1);
  EXPECT_EQ(Timeline(),
            (std::vector<std::string>{
                "create connection", "connection timeout 15", "command timeout 60",
                kMasterConnection, "text 1008 = 收缩数据库[Sales]空闲空间至[100%]...",
                "execute DBCC SHRINKDATABASE ([Sales],100)", "release result",
                "text 1008 = 已经收缩数据库[Sales].", "connection close", "release connection"}));
}

TEST_F(ShrinkTest, ARejectedLogStatementStopsBeforeTheShrink) {
  fake.server.failures["execute backup log"] = "'no_log' is not a recognized BACKUP option.";
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute DBCC")) << line;
  }
  EXPECT_EQ(dlg.m_strStatus, "'no_log' is not a recognized BACKUP option.");
}

TEST_F(ShrinkTest, EveryFailureStopsTheRunWithResultZero) {
  ExpectEveryCallCanFail(
      kNormalRun, [] {}, [this] { return dlg.ShrinkDatabase(); });
}

TEST_F(ShrinkTest, AConnectionThatCouldNotBeCreatedIsReported) {
  fake.server.connectionCreationFails = true;
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  EXPECT_NE(dlg.m_strStatus.find("could not be created"), std::string::npos);
}

}  // namespace
}  // namespace harrowlander
