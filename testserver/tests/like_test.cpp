#include "sql/like.h"

#include <gtest/gtest.h>

using testserver::sql::Like;

TEST(Like, WildcardsMatchAsTheDefaultCollationDoes) {
  EXPECT_TRUE(Like("SYS_LOG", "SYS_%"));
  EXPECT_TRUE(Like("sys_log", "SYS_%"));  // case-insensitive
  EXPECT_TRUE(Like("SYSXLOG", "SYS_%"));  // _ is a wildcard, as the tool's users get it
  EXPECT_FALSE(Like("SY", "SYS_%"));
  EXPECT_TRUE(Like("Orders", "%der%"));
  EXPECT_TRUE(Like("", "%"));
  EXPECT_FALSE(Like("abc", "ab"));
  EXPECT_TRUE(Like("a%b", "a%b"));
}

TEST(Like, BracketSetsRangesAndNegation) {
  EXPECT_TRUE(Like("SYS_LOG", "SYS[_]LOG"));
  EXPECT_FALSE(Like("SYSXLOG", "SYS[_]LOG"));
  EXPECT_TRUE(Like("T3", "T[0-9]"));
  EXPECT_TRUE(Like("tb", "T[A-C]"));
  EXPECT_FALSE(Like("T3", "T[^0-9]"));
  EXPECT_TRUE(Like("Tx", "T[^0-9]"));
  EXPECT_TRUE(Like("a[b", "a[b"));  // an unclosed bracket is a plain character
}
