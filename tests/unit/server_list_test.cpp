#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"
#include "sql/net_server_name.h"

namespace harrowlander {
namespace {

using namespace res;

TEST(DeriveNetServerName, MachinePartWithLocalAliasesReplaced) {
  testing::FakeSystemInfo system;
  testing::NativeTextCodec codec;
  system.computerName = "WORKSTATION";
  const std::pair<const char*, const char*> cases[] = {
      {"DBHOST", "DBHOST"},
      {"  DBHOST\\PROD  ", "DBHOST"},
      {"DBHOST\\", "DBHOST"},
      {"\\PROD", ""},
      {"a\\b\\c", "a\\b"},
      {"(local)", "WORKSTATION"},
      {"(LOCAL)", "WORKSTATION"},
      {" (Local) ", "WORKSTATION"},
      {".", "WORKSTATION"},
      {".\\SQLEXPRESS", "."},
      {"(local)\\INST", "(local)"},
      {"10.0.0.5,1433", "10.0.0.5,1433"},
      {"..", ".."},
      {"", ""},
      {" \t ", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(sql::DeriveNetServerName(system, codec, text), expected) << text;
  }
}

TEST(GetLocalComputerName, FifteenGbkBytesAtMostElseEmpty) {
  testing::FakeSystemInfo system;
  testing::NativeTextCodec codec;
  system.computerName = "ABCDEFGHIJKLMNO";
  EXPECT_EQ(sql::GetLocalComputerName(system, codec), "ABCDEFGHIJKLMNO");
  system.computerName = "ABCDEFGHIJKLMNOP";
  EXPECT_EQ(sql::GetLocalComputerName(system, codec), "");
  // Seven Chinese characters: 14 GBK bytes fit, although UTF-8 takes 21.
  system.computerName = "财务部数据服务";
  EXPECT_EQ(sql::GetLocalComputerName(system, codec), "财务部数据服务");
  system.computerName = "财务部数据服务器X";  // 17 GBK bytes
  EXPECT_EQ(sql::GetLocalComputerName(system, codec), "");
  system.computerName = std::nullopt;
  EXPECT_EQ(sql::GetLocalComputerName(system, codec), "");
  EXPECT_EQ(sql::DeriveNetServerName(system, codec, "."), "");
}

class ServerListTest : public testing::SqlDialogTest {
 protected:
  static ServerEntry Entry(std::string name, std::uint32_t type = 0x4) {
    return {500, std::move(name), 8, 0, type, "SQL Server"};
  }
};

TEST_F(ServerListTest, ListsTheAnnouncedServersInOrderAndKeepsTheTypedText) {
  fake.browser.answer.entries = {Entry("DBHOST\\PROD"), Entry("ALPHA"), Entry("ALPHA")};
  fake.window.texts[IDC_SERVER] = "typed";
  dlg.OnServerDropDown();
  dlg.OnServerDropDown();
  EXPECT_EQ(fake.browser.calls, 2);
  EXPECT_EQ(fake.window.combos[IDC_SERVER].items,
            (std::vector<std::string>{"DBHOST\\PROD", "ALPHA", "ALPHA"}));
  EXPECT_EQ(fake.window.texts[IDC_SERVER], "typed");
}

TEST_F(ServerListTest, DiagnosticLinesOnStandardOutput) {
  fake.browser.answer.entries = {Entry("PDC1", 0x8 | 0x10 | 0x4), Entry("BDC1", 0x10 | 0x4)};
  dlg.OnServerDropDown();
  EXPECT_EQ(fake.standardOutput.str(),
            "\tPlatform: 500\n\tName:     PDC1\n\tVersion:  8.0\n\tType:     28 (PDC)\n"
            "\tComment:  SQL Server\n\n"
            "\tPlatform: 500\n\tName:     BDC1\n\tVersion:  8.0\n\tType:     20 (BDC)\n"
            "\tComment:  SQL Server\n\n"
            "\nEntries enumerated: 2\n");
  EXPECT_EQ(fake.standardError.str(), "");
}

TEST_F(ServerListTest, MoreDataListsWhatCameAndFailureListsNothing) {
  fake.browser.answer = {ServerEnumeration::kMoreData, {Entry("A")}, 7};
  dlg.OnServerDropDown();
  EXPECT_EQ(fake.window.combos[IDC_SERVER].items, std::vector<std::string>{"A"});
  EXPECT_EQ(fake.standardError.str(), "\nMore entries available!!!\nTotal entries: 7");

  fake.standardError.str("");
  fake.browser.answer = {53, {Entry("ignored")}, 0};
  fake.window.texts[IDC_SERVER] = "kept";
  dlg.OnServerDropDown();
  EXPECT_TRUE(fake.window.combos[IDC_SERVER].items.empty());
  EXPECT_EQ(fake.window.texts[IDC_SERVER], "kept");
  EXPECT_EQ(fake.standardError.str(), "A system error has occurred: 53\n");
}

TEST_F(ServerListTest, EditAndSelectionKeepTheLogOnMachineInStep) {
  fake.window.texts[IDC_SERVER] = " (local) ";
  dlg.OnServerEditChange();
  EXPECT_EQ(fake.window.texts[IDC_NET_SERVER], "WORKSTATION");

  fake.window.combos[IDC_SERVER] = {{"ALPHA", "DBHOST\\PROD"}, 1};
  fake.window.texts[IDC_SERVER] = "not yet updated";
  dlg.OnServerSelChange();
  EXPECT_EQ(fake.window.texts[IDC_NET_SERVER], "DBHOST");

  fake.window.combos[IDC_SERVER].selection = -1;
  dlg.OnServerSelChange();
  EXPECT_EQ(fake.window.texts[IDC_NET_SERVER], "DBHOST");
}

}  // namespace
}  // namespace harrowlander
