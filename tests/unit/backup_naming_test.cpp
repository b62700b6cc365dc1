// Backups taken into a folder: the names a pattern gives, the strict way back from a
// name to its database and moment, the choice retention makes, and the LIKE patterns
// that leave databases out.
#include <gtest/gtest.h>

#include "ops/backup_compression.h"
#include "ops/backup_naming.h"
#include "sql/like_pattern.h"

namespace harrowlander {
namespace {

using Names = std::vector<std::string>;

constexpr LocalTime kNow{2026, 12, 9, 3, 0, 5};
const BackupNamePattern kDefault{kDefaultBackupNamePattern};

TEST(BackupNameTest, UnsafeCharactersAreEscapedSoThatNoTwoNamesMeet) {
  EXPECT_EQ(SafeFileNamePart("Sales"), "Sales");
  EXPECT_EQ(SafeFileNamePart(R"(a\b/c:d*e?f"g<h>i|j)"), "a%5Cb%2Fc%3Ad%2Ae%3Ff%22g%3Ch%3Ei%7Cj");
  EXPECT_EQ(SafeFileNamePart("tab\there"), "tab%09here");
  // The escape itself is escaped: "a/b" and a database literally named "a%2Fb" differ.
  EXPECT_EQ(SafeFileNamePart("a%2Fb"), "a%252Fb");
  EXPECT_NE(SafeFileNamePart("a/b"), SafeFileNamePart("a%2Fb"));
  // Names the systems would take as a folder or shorten.
  EXPECT_EQ(SafeFileNamePart(".."), "%2E%2E");
  EXPECT_EQ(SafeFileNamePart(".hidden"), "%2Ehidden");
  EXPECT_EQ(SafeFileNamePart("trailing "), "trailing%20");
  EXPECT_EQ(SafeFileNamePart("in between ok.x"), "in between ok.x");
  EXPECT_EQ(SafeFileNamePart("销售"), "销售");
}

TEST(BackupNameTest, APatternIsCheckedBeforeAnyBackup) {
  EXPECT_EQ(BackupNamePattern::Problem(kDefaultBackupNamePattern), "");
  EXPECT_EQ(BackupNamePattern::Problem("{server}-{database}.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("{date}_{time}.bak"), "");  // every database alike
  EXPECT_NE(BackupNamePattern::Problem("{database}_{Date}.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("{database}_{date.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("{database}}.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("{database}_{date}_{date}.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("sub/{database}.bak"), "");
  EXPECT_NE(BackupNamePattern::Problem("sub\\{database}.bak"), "");
  EXPECT_TRUE(kDefault.IsDated());
  EXPECT_FALSE(BackupNamePattern("{database}_{date}.bak").IsDated());
}

TEST(BackupNameTest, ANameReadsBackToItsMomentForItsOwnDatabaseAndServerOnly) {
  const BackupNamePattern pattern("{server}-{database}-{date}{time}.bak");
  const std::string name = pattern.NameFor("Sales/EU", R"(HOST\SQL1)", {2026, 1, 2, 3, 4, 5});
  EXPECT_EQ(name, "HOST%5CSQL1-Sales%2FEU-20260102030405.bak");
  const std::optional<LocalTime> made = pattern.MadeAt(name, "Sales/EU", R"(HOST\SQL1)");
  ASSERT_TRUE(made);
  EXPECT_EQ(std::tie(made->year, made->month, made->day, made->hour, made->minute, made->second),
            std::make_tuple(2026, 1, 2, 3, 4, 5));
  EXPECT_FALSE(pattern.MadeAt(name, "Sales/EU", "OTHER"));
  EXPECT_FALSE(pattern.MadeAt(name, "Sales", R"(HOST\SQL1)"));
}

TEST(BackupNameTest, AnotherDatabaseWhoseNameBeginsTheSameIsNeverRead) {
  // Database "Sales" and "Sales_Archive", and one named like a dated backup of Sales.
  for (const std::string other :
       {"Sales_Archive_20260101_010101.bak", "Sales_20260101_010101_20261201_010101.bak",
        "Sales_2026_0101_010101.bak"}) {
    EXPECT_FALSE(kDefault.MadeAt(other, "Sales", "S")) << other;
  }
  EXPECT_TRUE(kDefault.MadeAt("Sales_Archive_20260101_010101.bak", "Sales_Archive", "S"));
  EXPECT_TRUE(
      kDefault.MadeAt("Sales_20260101_010101_20261201_010101.bak", "Sales_20260101_010101", "S"));
}

TEST(BackupNameTest, OnlyTheExactShapesOfDateAndTimeAreRead) {
  for (const std::string name :
       {"Sales_20260101_010101.bak.sha256",  // the sidecar follows its file
        "Sales_20260101_010101.bak.tmp", "Sales_20260101_010101.BAK", "Sales_2026011_010101.bak",
        "Sales_202601011_010101.bak", "Sales_20260101_01011.bak",
        "Sales_20260230_010101.bak",  // no 30 February
        "Sales_20261301_010101.bak", "Sales_20260101_240000.bak", "Sales_20260101_016001.bak",
        "Sales_2026-101_010101.bak", "Sales_20260101_010101", "xSales_20260101_010101.bak",
        "Sales_20260101_010101.bakx"}) {
    EXPECT_FALSE(kDefault.MadeAt(name, "Sales", "S")) << name;
  }
  EXPECT_TRUE(kDefault.MadeAt("Sales_20240229_235959.bak", "Sales", "S"));
  // Without {date} and {time} nothing is dated, so nothing is ever chosen.
  EXPECT_FALSE(BackupNamePattern("{database}.bak").MadeAt("Sales.bak", "Sales", "S"));
}

class RetentionTest : public ::testing::Test {
 protected:
  Names Choose(const Names& names, RetentionRule rule,
               const std::string& newFile = "Sales_20261209_030000.bak") {
    return ChooseBackupsToDelete(names, kDefault, "Sales", "S", newFile, rule, kNow);
  }

  const Names kFolder = {"Sales_20261209_030000.bak",         "Sales_20261209_030000.bak.sha256",
                         "Sales_20261208_030000.bak",         "Sales_20261208_030000.bak.sha256",
                         "Sales_20261207_030000.bak",         "Sales_20261201_030000.bak",
                         "Sales_Archive_20261101_030000.bak", "notes.txt",
                         "Sales_20261101_030000.bak.partial"};
};

TEST_F(RetentionTest, KeepCountsTheNewBackupFirstAndDeletesOldestFirst) {
  EXPECT_EQ(Choose(kFolder, {2, {}}),
            (Names{"Sales_20261201_030000.bak", "Sales_20261207_030000.bak"}));
  EXPECT_EQ(Choose(kFolder, {1, {}}),
            (Names{"Sales_20261201_030000.bak", "Sales_20261207_030000.bak",
                   "Sales_20261208_030000.bak"}));
  EXPECT_EQ(Choose(kFolder, {4, {}}), Names{});
}

TEST_F(RetentionTest, TheNewBackupStaysEvenWhenAnotherLooksNewer) {
  // A file dated in the future (a clock set wrong once) is counted, the new one kept.
  Names names = kFolder;
  names.push_back("Sales_20300101_000000.bak");
  const Names chosen = Choose(names, {1, 1});
  EXPECT_EQ(std::count(chosen.begin(), chosen.end(), "Sales_20261209_030000.bak"), 0);
  EXPECT_EQ(std::count(chosen.begin(), chosen.end(), "Sales_20300101_000000.bak"), 0);
  EXPECT_EQ(chosen.size(), 3u);
}

TEST_F(RetentionTest, DaysCountFromNowAndBothRulesMustLetAFileGo) {
  // Older than 7 days before 2026-12-09 03:00:05: only the one of 1 December.
  EXPECT_EQ(Choose(kFolder, {{}, 7}), Names{"Sales_20261201_030000.bak"});
  // Exactly 1 day old (plus 5 s) goes with --keep-days 1.
  EXPECT_EQ(Choose(kFolder, {{}, 1}),
            (Names{"Sales_20261201_030000.bak", "Sales_20261207_030000.bak",
                   "Sales_20261208_030000.bak"}));
  // --keep 3 keeps 8 and 7 December although older than one day.
  EXPECT_EQ(Choose(kFolder, {3, 1}), Names{"Sales_20261201_030000.bak"});
  // --keep-days 30 keeps all although beyond the newest one.
  EXPECT_EQ(Choose(kFolder, {1, 30}), Names{});
}

TEST_F(RetentionTest, NothingIsChosenWithoutARuleOrWhenTheNewBackupIsNotThere) {
  EXPECT_EQ(Choose(kFolder, {}), Names{});
  EXPECT_EQ(Choose(kFolder, {1, {}}, "Sales_20261209_040000.bak"), Names{});
  Names withoutNew = kFolder;
  withoutNew.erase(withoutNew.begin());
  EXPECT_EQ(Choose(withoutNew, {1, {}}), Names{});
}

TEST(LikePatternTest, PatternsMatchAsTheServerCompares) {
  using sql::MatchesLike;
  EXPECT_TRUE(MatchesLike("Sales", "sales"));
  EXPECT_TRUE(MatchesLike("Sales_Archive", "%archive"));
  EXPECT_FALSE(MatchesLike("Sales", "%archive"));
  EXPECT_TRUE(MatchesLike("Test1", "test_"));
  EXPECT_FALSE(MatchesLike("Test12", "test_"));
  EXPECT_TRUE(MatchesLike("销售1", "__1"));  // a character, not a byte
  EXPECT_TRUE(MatchesLike("Tmp7", "tmp[0-9]"));
  EXPECT_FALSE(MatchesLike("TmpX", "tmp[0-9]"));
  EXPECT_TRUE(MatchesLike("TmpX", "tmp[^0-9]"));
  EXPECT_TRUE(MatchesLike("a_b", "a[_]b"));
  EXPECT_FALSE(MatchesLike("axb", "a[_]b"));
  EXPECT_TRUE(MatchesLike("a[b", "a[b"));  // no ']': the '[' stands for itself
  EXPECT_TRUE(MatchesLike("", "%"));
  EXPECT_FALSE(MatchesLike("Sales", ""));
}

TEST(BackupCompressionTest, OnlyReleasesAndEditionsThatHaveItAreAsked) {
  // 2008: Enterprise only; 2008 R2 and later: Standard too, but not Web or Express.
  EXPECT_TRUE(CompressesBackups("10.0.1600.22", "3", "Enterprise Edition (64-bit)"));
  EXPECT_FALSE(CompressesBackups("10.0.1600.22", "2", "Standard Edition (64-bit)"));
  EXPECT_TRUE(CompressesBackups("10.50.1600.1", "2", "Standard Edition (64-bit)"));
  EXPECT_FALSE(CompressesBackups("10.50.1600.1", "2", "Web Edition (64-bit)"));
  EXPECT_TRUE(CompressesBackups("15.0.2000.5", "3", "Developer Edition (64-bit)"));
  EXPECT_FALSE(CompressesBackups("15.0.2000.5", "4", "Express Edition (64-bit)"));
  EXPECT_FALSE(CompressesBackups("9.00.1399.06", "3", "Enterprise Edition"));
  EXPECT_FALSE(CompressesBackups("8.00.2039", "3", "Enterprise Edition"));
  EXPECT_FALSE(CompressesBackups("", "", ""));  // the server could not tell
}

}  // namespace
}  // namespace harrowlander
