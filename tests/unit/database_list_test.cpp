#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"

namespace harrowlander {
namespace {

using namespace res;
using testing::FakeRows;

constexpr const char* kFilteredQuery =
    "select name from dbo.sysdatabases  where name not in "
    "('master','model','msdb','northwind','pubs','tempdb') order by name";
constexpr const char* kFullQuery = "select name from dbo.sysdatabases  order by name";

class DatabaseListTest : public testing::SqlDialogTest {
 protected:
  void Answer(const char* query, std::vector<std::string> names) {
    FakeRows rows{{"name"}, {}};
    for (auto& name : names) {
      rows.rows.push_back({name});
    }
    fake.server.answers[query] = rows;
  }
  std::vector<std::string> Listed() { return fake.window.combos[IDC_DATABASE].items; }
};

TEST_F(DatabaseListTest, WithoutCtrlListsUserDatabasesInTheServersOrder) {
  Answer(kFilteredQuery, {"Accounts", "Sales"});
  fake.window.texts[IDC_DATABASE] = "Sa";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(Timeline(), (std::vector<std::string>{
                            "text 1008 = 查找服务器[(local)]...",
                            "reset combo 1005",
                            "create connection",
                            "create recordset",
                            "connection timeout 15",
                            "command timeout 60",
                            kMasterConnection,
                            std::string("recordset open ") + kFilteredQuery,
                            "recordset count",
                            "recordset move first",
                            "recordset eof",
                            "recordset collect name",
                            "recordset move next",
                            "recordset eof",
                            "recordset collect name",
                            "recordset move next",
                            "recordset eof",
                            "recordset close",
                            "connection close",
                            "release recordset",
                            "release connection",
                            "text 1008 = 完成查找.",
                        }));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Accounts", "Sales"}));
  // The name the typed text begins is highlighted, the typed text itself stays.
  EXPECT_EQ(fake.window.combos[IDC_DATABASE].selection, 1);
  EXPECT_EQ(fake.window.texts[IDC_DATABASE], "Sa");
}

TEST_F(DatabaseListTest, CtrlReadOnceShowsSystemAndSampleDatabases) {
  Answer(kFullQuery, {"master", "model", "msdb", "pubs"});
  fake.window.PressKey(vk::kControl);
  fake.window.texts[IDC_DATABASE] = "pu";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(Timeline()[7], std::string("recordset open ") + kFullQuery);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"master", "model", "msdb", "pubs"}));
  EXPECT_EQ(fake.window.texts[IDC_DATABASE], "pu");
  EXPECT_EQ(fake.window.combos[IDC_DATABASE].selection, 3);
}

TEST_F(DatabaseListTest, NothingListedReadsNoRowsAndKeepsAnEmptyEditText) {
  dlg.OnDropdownDatabase();
  const auto timeline = Timeline();
  EXPECT_EQ(std::count(timeline.begin(), timeline.end(), "recordset move first"), 0);
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
  EXPECT_EQ(fake.window.texts[IDC_DATABASE], "");
}

TEST_F(DatabaseListTest, TwiceInARowAsksTheServerTwiceForTheSameList) {
  Answer(kFilteredQuery, {"A", "B"});
  dlg.OnDropdownDatabase();
  dlg.OnDropdownDatabase();
  const auto timeline = Timeline();
  EXPECT_EQ(
      std::count(timeline.begin(), timeline.end(), std::string("recordset open ") + kFilteredQuery),
      2);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(DatabaseListTest, ARefusedLoginShowsTheServersTextAndThePreviousField) {
  dlg.m_strDatabase = "Sales";
  fake.window.texts[IDC_DATABASE] = "Sales";
  fake.server.failures["connection open"] = "Login failed for user 'sa'.";
  dlg.OnDropdownDatabase();
  const auto timeline = Timeline();
  const std::vector<std::string> tail(timeline.end() - 3, timeline.end());
  // Released without Close: the connection first, then the recordset.
  EXPECT_EQ(tail, (std::vector<std::string>{"release connection", "release recordset",
                                            "text 1008 = Login failed for user 'sa'."}));
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(fake.window.texts[IDC_DATABASE], "Sales");
}

TEST_F(DatabaseListTest, AFailedValidationStopsBeforeAnything) {
  fake.window.texts[IDC_CONNECT_TIMEOUT] = "-1";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(fake.window.messageBoxes.size(), 1u);
  const auto timeline = Timeline();
  EXPECT_EQ(std::count_if(timeline.begin(), timeline.end(),
                          [](const std::string& e) { return e.starts_with("create "); }),
            0);
}

TEST_F(DatabaseListTest, EveryFailureEndsTheHandlerWithTheServersText) {
  Answer(kFilteredQuery, {"A"});
  dlg.OnDropdownDatabase();
  const auto normalRun = Timeline();
  ExpectEveryCallCanFail(
      normalRun, [] {},
      [this] {
        dlg.OnDropdownDatabase();
        return 0;
      });
}

}  // namespace
}  // namespace harrowlander
