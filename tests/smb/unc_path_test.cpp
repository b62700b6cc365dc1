#include <gtest/gtest.h>

#include "platform/smb/smb_client.h"

namespace harrowlander::smb {
namespace {

TEST(ParseUncPath, ServerShareAndTheRest) {
  const auto path = ParseUncPath(R"(\\DBHOST\BKSQLData$\sub\Sales.bak)");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->server, "DBHOST");
  EXPECT_EQ(path->share, "BKSQLData$");
  EXPECT_EQ(path->rest, R"(sub\Sales.bak)");
  EXPECT_EQ(ParseUncPath(R"(\\DBHOST\IPC$)")->rest, "");
  for (const char* notUnc :
       {"/home/x.bak", R"(\\)", R"(\\server)", R"(\\server\)", R"(\\\share)"}) {
    EXPECT_FALSE(ParseUncPath(notUnc)) << notUnc;
  }
}

TEST(SmbUrl, EscapesWhatAUrlWouldReadOtherwise) {
  EXPECT_EQ(SmbUrl(*ParseUncPath(R"(\\127.0.0.1\BKSQLData$\Sales.bak)")),
            "smb://127.0.0.1/BKSQLData$/Sales.bak");
  EXPECT_EQ(SmbUrl(*ParseUncPath(R"(\\h\s\a b%c#d?e\销售.bak)")),
            "smb://h/s/a%20b%25c%23d%3Fe/%E9%94%80%E5%94%AE.bak");
}

}  // namespace
}  // namespace harrowlander::smb
