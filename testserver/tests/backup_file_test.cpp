#include "server/backup_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "server_process.h"

using namespace testserver;

namespace {
BackupSet Set(const std::string& database, std::vector<uint8_t> data) {
  BackupSet set;
  set.database = database;
  set.created = "2026-01-01T00:00:00";
  set.files = {{1, database + "_Data", "C:\\d\\" + database + ".mdf", false},
               {2, database + "_Log", "C:\\d\\" + database + ".ldf", true}};
  set.fileBytes = {data.size(), 1024};
  set.data = std::move(data);
  return set;
}
}  // namespace

TEST(BackupFile, AppendsSetsUnlessInitAndReadsThemBack) {
  ScratchDir scratch;
  auto file = scratch.Path() / "x.bak";
  ASSERT_TRUE(WriteBackupSet(file, Set("A", {1, 2, 3}), true));
  ASSERT_TRUE(WriteBackupSet(file, Set("B", {4}), false));
  auto sets = ReadBackupSets(file);
  ASSERT_TRUE(sets);
  ASSERT_EQ(sets->size(), 2u);
  EXPECT_EQ(sets->at(0).database, "A");
  EXPECT_EQ(sets->at(0).data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(sets->at(0).files.at(1).physicalName, "C:\\d\\A.ldf");
  EXPECT_TRUE(sets->at(0).files.at(1).isLog);
  EXPECT_EQ(sets->at(1).database, "B");

  ASSERT_TRUE(WriteBackupSet(file, Set("C", {}), true));
  sets = ReadBackupSets(file);
  ASSERT_EQ(sets->size(), 1u);
  EXPECT_EQ(sets->at(0).database, "C");
}

TEST(BackupFile, RejectsForeignAndTruncatedFiles) {
  ScratchDir scratch;
  auto file = scratch.Path() / "x.bak";
  std::ofstream(file) << "TAPE not a backup";
  EXPECT_FALSE(ReadBackupSets(file));
  EXPECT_FALSE(ReadBackupSets(scratch.Path() / "missing.bak"));
  ASSERT_TRUE(WriteBackupSet(file, Set("A", std::vector<uint8_t>(100, 7)), true));
  std::filesystem::resize_file(file, std::filesystem::file_size(file) - 10);
  EXPECT_FALSE(ReadBackupSets(file));
}
