#include <algorithm>
#include <random>

#include "ops/drop_lock.h"
#include "res/resource_ids.h"
#include "testserver_fixture.h"

namespace harrowlander {
namespace {

using testing::TestServerTest;

// Names and patterns holding the characters that end an identifier or a literal reach
// the server as the identifiers and patterns the user meant.
class InjectionIntegrationTest : public TestServerTest {};

const char* const kHostileNames[] = {
    "x]; drop database [Inventory", "it's", "say \"hi\"", "100%_db", "销售]数据'", "a]]b",
};

TEST_F(InjectionIntegrationTest, DatabaseNamesArriveWhole) {
  for (const char* name : kHostileNames) {
    dlg.m_strDatabase = name;
    fake.window.messageBoxAnswers = {kIdYes};
    EXPECT_EQ(dlg.DeleteDatabase(), 0) << name;
    EXPECT_TRUE(dlg.m_strStatus.starts_with(std::string("Cannot drop the database '") + name + "'"))
        << dlg.m_strStatus;
  }
  fake.window.PressKey(vk::kControl);
  dlg.OnDropdownDatabase();
  const auto listed = fake.window.combos[res::IDC_DATABASE].items;
  EXPECT_NE(std::find(listed.begin(), listed.end(), "Inventory"), listed.end());
}

// Random names over the characters that end identifiers and literals, from a fixed
// seed: the server's refusal quotes each name exactly as it was meant.
TEST_F(InjectionIntegrationTest, GeneratedNamesArriveWhole) {
  const std::vector<std::string> pieces = {"a", "]", "[", "'", "\"", "%", "_", "销", " ", ";", "-"};
  std::mt19937 random(20261207);
  dlg.m_bTruncateLogBeforeShrink = 0;
  for (int round = 0; round < 40; ++round) {
    std::string name = "n";  // blanks at the ends of a name are not kept by the server
    for (int length = 1 + static_cast<int>(random() % 8); length > 0; --length) {
      name += pieces[random() % pieces.size()];
    }
    dlg.m_strDatabase = name + "n";
    EXPECT_EQ(dlg.ShrinkDatabase(), 0) << dlg.m_strDatabase;
    EXPECT_NE(dlg.m_strStatus.find("'" + dlg.m_strDatabase + "'"), std::string::npos)
        << dlg.m_strStatus;
  }
}

TEST_F(InjectionIntegrationTest, PatternsWithQuotesMatchLiterally) {
  dlg.m_strDatabase = "Sales";
  fake.window.PressKey(vk::kControl);
  for (int key : kDropLockDigitKeys) {
    fake.window.PressKey(key);
  }
  // A quote closes nothing: no table matches, and every table is still there.
  for (const char* pattern : {"x' or name like '%", "%' --", "销售'%"}) {
    dlg.m_strTableKeyword = pattern;
    fake.window.messageBoxes.clear();
    EXPECT_EQ(dlg.DropTables(), 0) << pattern;
    ASSERT_EQ(fake.window.messageBoxes.size(), 1u) << pattern;
    EXPECT_EQ(fake.window.messageBoxes[0].text, "根据表名关键字,找不到对应的表") << pattern;
  }
  // Wildcards keep their meaning.
  dlg.m_strTableKeyword = "SYS[_]L%";
  fake.window.messageBoxes.clear();
  fake.window.messageBoxAnswers = {kIdNo};
  EXPECT_EQ(dlg.DropTables(), 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "服务器[" + dlg.m_strServer + "]上的数据库[" +
                                                  dlg.m_strDatabase +
                                                  "]:\n是否删除以下数据表？\nSYS_LOG");
}

}  // namespace
}  // namespace harrowlander
