#include <gtest/gtest.h>

#include "platform/odbc/data_source.h"
#include "platform/odbc/odbc_connection_string.h"
#include "platform/odbc/ole_db_connection_string.h"
#include "platform/odbc/utf16_text.h"
#include "ports/com_error.h"
#include "sql/connection_string.h"

namespace harrowlander::odbc {
namespace {

TEST(OleDbConnectionString, ReadsBackWhatTheCoreQuoted) {
  const char* values[] = {
      "",  "plain",   "x;Initial Catalog=other", "say \"hi\"", "o'brien", " padded ", "p=w", "\"",
      "'", "密码;'\""};
  for (const char* value : values) {
    const std::string text = "Password=" + sql::QuoteConnectionValue(value) +
                             ";User ID=sa;Initial Catalog=master;Data Source=(local)";
    const auto properties = ParseOleDbConnectionString(text);
    EXPECT_EQ(properties.at("password"), value) << text;
    EXPECT_EQ(properties.at("initial catalog"), "master") << text;
    EXPECT_EQ(properties.size(), 4u) << text;
  }
}

TEST(OleDbConnectionString, RulesOfTheFormat) {
  const auto p = ParseOleDbConnectionString(
      " Provider = SQLOLEDB.1 ;Data Source= host ;A==B=x;User ID='it''s';user id=last;;");
  EXPECT_EQ(p.at("provider"), "SQLOLEDB.1");
  EXPECT_EQ(p.at("data source"), "host");
  EXPECT_EQ(p.at("a=b"), "x");
  EXPECT_EQ(p.at("user id"), "last");
  EXPECT_THROW(ParseOleDbConnectionString("Password=\"open"), ComError);
  EXPECT_THROW(ParseOleDbConnectionString("Password=\"a\"b"), ComError);
}

TEST(DataSource, Forms) {
  struct Case {
    const char* text;
    const char* server;
    int port;  // 0: none
  };
  const Case cases[] = {
      {"(local)", "127.0.0.1", 1433},
      {"(LOCAL)", "127.0.0.1", 1433},
      {".", "127.0.0.1", 1433},
      {" dbhost ", "dbhost", 1433},
      {"dbhost\\PROD", "dbhost\\PROD", 0},
      {".\\SQLEXPRESS", "127.0.0.1\\SQLEXPRESS", 0},
      {"dbhost,1500", "dbhost", 1500},
      {"(local),14330", "127.0.0.1", 14330},
      {"dbhost\\PROD,1500", "dbhost", 1500},
      {"tcp:10.0.0.5,1433", "10.0.0.5", 1433},
  };
  for (const Case& c : cases) {
    const DataSource parsed = ParseDataSource(c.text);
    EXPECT_EQ(parsed.server, c.server) << c.text;
    EXPECT_EQ(parsed.port.value_or(0), c.port) << c.text;
  }
  for (const char* bad : {"", "  ", "\\PROD", "host,", "host,0", "host,70000", "host,12a"}) {
    EXPECT_THROW(ParseDataSource(bad), ComError) << bad;
  }
}

TEST(OdbcConnectionString, GoldenTexts) {
  const OdbcDriver freeTds = ChooseDriver({"FreeTDS"}).value();
  DataSource target;
  EXPECT_EQ(BuildOdbcConnectionString("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;"
                                      "User ID=sa;Initial Catalog=master;Data Source=(local)",
                                      freeTds, target),
            "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1433;UID=sa;PWD=;DATABASE=master;"
            "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=request");
  EXPECT_EQ(BuildOdbcConnectionString("Password=\"a;b}\";User ID= x ;Initial Catalog=销售;"
                                      "Data Source=h,1500",
                                      freeTds, target),
            "DRIVER={FreeTDS};SERVER=h;PORT=1500;UID=x;PWD={a;b}};DATABASE=销售;"
            "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=request");
  EXPECT_THROW(BuildOdbcConnectionString("Password=\"a};b\";Data Source=h", freeTds, target),
               ComError);
}

TEST(Utf16Text, RoundTripsAndReplacesIllFormedInput) {
  for (const char* text : {"", "ascii", "销售数据", "€ and 𝄞"}) {
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  }
  EXPECT_EQ(Utf8ToUtf16("𝄞"), std::u16string(u"\xD834\xDD1E"));
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            std::u16string(u"a\xFFFD"
                           "b"));
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), std::u16string(u"\xFFFD"));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace harrowlander::odbc
