#include <gtest/gtest.h>

#include "fakes/dialog_fixture.h"
#include "res/format_text.h"
#include "sql/connection_string.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"

namespace harrowlander {
namespace {

using testing::DialogTest;

struct ConnectionCase {
  const char* user;
  const char* password;
  const char* server;
  const char* catalog;
  const char* expected;
};

TEST_F(DialogTest, ConnectionStringGoldenTexts) {
  const ConnectionCase cases[] = {
      {"sa", "", "(local)", "master",
       "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
       "Initial Catalog=master;Data Source=(local)"},
      {"", "", "", "",
       "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;"
       "Initial Catalog=;Data Source="},
      {"dba", "Secr3t!", "DBHOST\\PROD", "销售",
       "Provider=SQLOLEDB.1;Password=Secr3t!;Persist Security Info=True;User ID=dba;"
       "Initial Catalog=销售;Data Source=DBHOST\\PROD"},
      {"sa", "p=w", "10.0.0.5,1433", "a b",
       "Provider=SQLOLEDB.1;Password=p=w;Persist Security Info=True;User ID=sa;"
       "Initial Catalog=a b;Data Source=10.0.0.5,1433"},
      // Values that the OLE DB rules would read differently go in double quotes.
      {"sa", "x;Initial Catalog=other", "(local)", "master",
       "Provider=SQLOLEDB.1;Password=\"x;Initial Catalog=other\";Persist Security Info=True;"
       "User ID=sa;Initial Catalog=master;Data Source=(local)"},
      // A leading "=" would be read as an escaped "=" of the key.
      {"sa", "=secret", "(local)", "master",
       "Provider=SQLOLEDB.1;Password=\"=secret\";Persist Security Info=True;User ID=sa;"
       "Initial Catalog=master;Data Source=(local)"},
      {"o'brien", "say \"hi\"", " padded", "trail ",
       "Provider=SQLOLEDB.1;Password=\"say \"\"hi\"\"\";Persist Security Info=True;"
       "User ID=\"o'brien\";Initial Catalog=\"trail \";Data Source=\" padded\""},
      {"sa", "\"", "(local)", "master",
       "Provider=SQLOLEDB.1;Password=\"\"\"\";Persist Security Info=True;User ID=sa;"
       "Initial Catalog=master;Data Source=(local)"},
  };
  for (const ConnectionCase& c : cases) {
    dlg.m_strSqlUser = c.user;
    dlg.m_strSqlPassword = c.password;
    dlg.m_strServer = c.server;
    EXPECT_EQ(sql::BuildConnectionString(dlg.Login(), c.catalog), c.expected) << c.password;
  }
  // A NUL would cut the string short: refused.
  dlg.m_strSqlPassword = std::string("pw\0;Initial Catalog=x", 21);
  EXPECT_THROW(sql::BuildConnectionString(dlg.Login(), "master"), ComError);
}

TEST(SqlLiteral, TheNPrefixOnlyWhereATextLeavesAscii) {
  EXPECT_EQ(sql::Literal("Sales"), "'Sales'");
  EXPECT_EQ(sql::Literal("O'Brien"), "'O''Brien'");
  EXPECT_EQ(sql::Literal(""), "''");
  EXPECT_EQ(sql::Literal("Sālēs"), "N'Sālēs'");
  EXPECT_EQ(sql::Literal("D:\\备份\\销售's.bak"), "N'D:\\备份\\销售''s.bak'");
}

TEST(SqlEscape, NamesDoubleTheClosingBracketLiteralsTheApostrophe) {
  EXPECT_EQ(sql::EscapeName("Sales"), "Sales");
  EXPECT_EQ(sql::EscapeName("x]; drop database [y"), "x]]; drop database [y");
  EXPECT_EQ(sql::EscapeName("]]"), "]]]]");
  EXPECT_EQ(sql::EscapeName("it's"), "it's");
  EXPECT_EQ(sql::EscapeLiteral("SYS_%"), "SYS_%");
  EXPECT_EQ(sql::EscapeLiteral("o'brien"), "o''brien");
  EXPECT_EQ(sql::EscapeLiteral("'; drop table t --"), "''; drop table t --");
  EXPECT_EQ(sql::EscapeLiteral("[a]"), "[a]");
}

TEST(ShellPath, RefusesWhatCmdInterpretsInsideQuotes) {
  for (const char* safe :
       {"D:\\Data\\Sales.Mdf", "C:\\Program Files\\a&b (x)^!<>|.ldf", "D:\\数据\\销售.mdf", ""}) {
    EXPECT_TRUE(sql::IsShellSafePath(safe)) << safe;
  }
  for (const char* unsafe : {"D:\\a\"b.mdf", "D:\\%TEMP%\\x.mdf", "D:\\a\nb.mdf", "D:\\a\rb",
                             "D:\\Data\\Sales*.Mdf", "D:\\Data\\Sale?.Mdf"}) {
    EXPECT_FALSE(sql::IsShellSafePath(unsafe)) << unsafe;
  }
}

TEST(FormatText, PlaceholdersInOrderAndArgumentsNeverReadAsPatterns) {
  EXPECT_EQ(FormatText("收缩数据库[%s]空闲空间至[%d%%]...", {"db", 10}),
            "收缩数据库[db]空闲空间至[10%]...");
  EXPECT_EQ(FormatText("[%s]%s.", {"100%s", ""}), "[100%s].");
  EXPECT_EQ(FormatText("DBCC SHRINKDATABASE ([%s],%d)", {"a", -1}), "DBCC SHRINKDATABASE ([a],-1)");
}

}  // namespace
}  // namespace harrowlander
