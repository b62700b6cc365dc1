#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"

namespace harrowlander {
namespace {

using namespace res;
using testing::FakeRows;

constexpr const char* kPrimaryQuery = "select filename from dbo.sysdatabases where name='Sales'";
constexpr const char* kFilesQuery =
    "select filename from master.dbo.sysaltfiles where dbid=db_id('Sales')";

class DeleteDatabaseTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
    fake.server.answers[kPrimaryQuery] = {{"filename"}, {{"D:\\Data\\Sales.Mdf"}}};
    // The file table's column is fixed width.
    fake.server.answers[kFilesQuery] = {
        {"filename"}, {{"D:\\Data\\Sales.Mdf      "}, {"E:\\Logs\\Sales_log.LDF"}}};
  }
  int RunAnswering(int answer) {
    fake.window.messageBoxAnswers = {answer};
    return dlg.DeleteDatabase();
  }

  const std::vector<std::string> kNormalRun = {
      "message box 确认删除: 是否删除服务器[(local)]上的数据库[Sales]?",
      "create connection",
      "create recordset",
      "connection timeout 15",
      "command timeout 60",
      kMasterConnection,
      std::string("execute ") + kPrimaryQuery,
      "result eof",
      "result collect filename",
      "result close",
      "release result",
      std::string("execute ") + kFilesQuery,
      "result eof",
      "result collect filename",
      "result move next",
      "result eof",
      "result collect filename",
      "result move next",
      "result eof",
      "result close",
      "release result",
      "text 1008 = 开始删除数据库[Sales],请等待...",
      "execute drop database [Sales] ",
      "release result",
      "text 1008 = 已经删除数据库[Sales]D:\\Data\\Sales.Mdf.",
      "execute xp_cmdshell 'del \"D:\\Data\\Sales.Mdf\"'",
      "release result",
      "execute xp_cmdshell 'del \"E:\\Logs\\Sales_log.LDF\"'",
      "release result",
      "connection close",
      "release recordset",
      "release connection",
  };
};

TEST_F(DeleteDatabaseTest, DropsThenDeletesExactlyTheDatabasesOwnFiles) {
  EXPECT_EQ(RunAnswering(kIdYes), 1);
  EXPECT_EQ(Timeline(), kNormalRun);
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x124u);
}

TEST_F(DeleteDatabaseTest, AnythingButAnExplicitYesSendsNothingAndSaysNothing) {
  // No, and what a window might report for a box closed without an answer.
  for (int answer : {kIdNo, kIdCancel, kIdOk, 0}) {
    fake.window.events.clear();
    EXPECT_EQ(RunAnswering(answer), -1) << answer;
    EXPECT_EQ(Timeline(), std::vector<std::string>{kNormalRun.front()}) << answer;
  }
}

TEST_F(DeleteDatabaseTest, TheQuestionNamesTheSqlServerNotTheLogOnMachine) {
  dlg.m_strServer = "DBHOST\\PROD";
  dlg.m_strNetServer = "DBHOST";
  RunAnswering(kIdNo);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "是否删除服务器[DBHOST\\PROD]上的数据库[Sales]?");
}

TEST_F(DeleteDatabaseTest, APathTheShellWouldReinterpretIsRefusedBeforeTheDrop) {
  fake.server.answers[kFilesQuery] = {{"filename"},
                                      {{"D:\\Data\\Sales.Mdf"}, {"D:\\%windir%\\Sales.ldf"}}};
  EXPECT_EQ(RunAnswering(kIdYes), 0);
  const auto timeline = Timeline();
  for (const std::string& line : timeline) {
    EXPECT_FALSE(line.starts_with("execute drop") || line.starts_with("execute xp_cmdshell"))
        << line;
  }
  EXPECT_NE(dlg.m_strStatus.find("D:\\%windir%\\Sales.ldf"), std::string::npos);
  EXPECT_EQ(
      std::vector<std::string>(timeline.end() - 3, timeline.end()),
      (std::vector<std::string>{"connection close", "release recordset", "release connection"}));
}

TEST_F(DeleteDatabaseTest, NoFilesRecordedMeansNoDeletionAndAnEmptyPathInTheMessage) {
  fake.server.answers.clear();
  EXPECT_EQ(RunAnswering(kIdYes), 1);
  EXPECT_EQ(dlg.m_strStatus, "已经删除数据库[Sales].");
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute xp_cmdshell")) << line;
  }
}

TEST_F(DeleteDatabaseTest, EveryFailureStopsTheRunWithResultZero) {
  ExpectEveryCallCanFail(
      kNormalRun, [this] { fake.window.messageBoxAnswers = {kIdYes}; },
      [this] { return dlg.DeleteDatabase(); });
}

TEST_F(DeleteDatabaseTest, StartInDeleteModeRunsItAndPlaysTheQuestionSound) {
  CheckModeRadio(IDC_MODE_DELETE);
  fake.window.texts[IDC_DATABASE] = "Sales";
  fake.window.messageBoxAnswers = {kIdYes};
  dlg.OnStart();
  EXPECT_EQ(fake.window.beeps, std::vector<unsigned>{mb::kIconQuestion});
}

}  // namespace
}  // namespace harrowlander
