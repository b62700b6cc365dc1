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

namespace {
// A set as written before sets carried a checksum, or with a data length of our choosing.
std::string RawSet(const std::string& header, uint64_t dataLength, const std::string& data) {
  std::string out = "HLTSBSET";
  for (int i = 0; i < 4; ++i) {
    out += static_cast<char>((header.size() >> (8 * i)) & 0xFF);
  }
  out += header;
  for (int i = 0; i < 8; ++i) {
    out += static_cast<char>((dataLength >> (8 * i)) & 0xFF);
  }
  return out + data;
}
void Put(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}
}  // namespace

TEST(BackupFile, WholeReadsCheckContentAndLengthsWhileTheHeaderReadNeedsOnlyTheHeader) {
  ScratchDir scratch;
  auto file = scratch.Path() / "x.bak";
  ASSERT_TRUE(WriteBackupSet(file, Set("A", std::vector<uint8_t>(100, 7)), true));
  auto size = std::filesystem::file_size(file);
  {
    std::fstream patch(file, std::ios::binary | std::ios::in | std::ios::out);
    patch.seekp(static_cast<std::streamoff>(size - 1));
    patch.put(8);  // the same length, one byte of data changed
  }
  EXPECT_FALSE(ReadBackupSets(file));
  ASSERT_TRUE(ReadFirstSetHeader(file));
  std::filesystem::resize_file(file, size - 60);
  auto header = ReadFirstSetHeader(file);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->files.at(1).logicalName, "A_Log");
  EXPECT_EQ(header->fileBytes.at(0), 100u);

  const std::string oldHeader = "database=Old\nfile=1\t0\t3\tOld\tC:\\Old.mdf\n";
  Put(file, RawSet(oldHeader, 3, "abc"));
  auto old = ReadBackupSets(file);
  ASSERT_TRUE(old);  // no checksum: checked by its structure alone
  EXPECT_EQ(old->at(0).data, (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_FALSE(old->at(0).withChecksum);           // nor taken WITH CHECKSUM
  Put(file, RawSet(oldHeader, 3, "abc") + "HLT");  // a set cut off in its marker
  EXPECT_FALSE(ReadBackupSets(file));
  Put(file, RawSet(oldHeader, uint64_t{1} << 33, "abc"));  // claims 8 GB, holds 3 bytes
  EXPECT_FALSE(ReadBackupSets(file));
}

TEST(BackupFile, EachSetKeepsItsOptionsUnderItsChecksumAndSetOneReadsAlone) {
  ScratchDir scratch;
  auto file = scratch.Path() / "x.bak";
  BackupSet first = Set("A", {1, 2, 3});
  first.withChecksum = first.copyOnly = true;
  ASSERT_TRUE(WriteBackupSet(file, first, true));
  ASSERT_TRUE(WriteBackupSet(file, Set("B", std::vector<uint8_t>(50, 4)), false));
  auto sets = ReadBackupSets(file);
  ASSERT_TRUE(sets);
  EXPECT_TRUE(sets->at(0).withChecksum && sets->at(0).copyOnly);
  EXPECT_FALSE(sets->at(1).withChecksum || sets->at(1).copyOnly);

  // Set 1 is read whole without a look at what follows it.
  std::filesystem::resize_file(file, std::filesystem::file_size(file) - 10);
  EXPECT_FALSE(ReadBackupSets(file));
  auto one = ReadFirstSet(file);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->database, "A");
  EXPECT_EQ(one->data, (std::vector<uint8_t>{1, 2, 3}));

  // A set claiming a checksum it was written without is damaged, not trusted.
  ASSERT_TRUE(WriteBackupSet(file, Set("C", {5}), true));
  std::fstream patch(file, std::ios::binary | std::ios::in | std::ios::out);
  std::string bytes((std::istreambuf_iterator<char>(patch)), {});
  const size_t at = bytes.find("with-checksum=0");
  ASSERT_NE(at, std::string::npos);
  patch.seekp(static_cast<std::streamoff>(at + 14));
  patch.put('1');
  patch.close();
  EXPECT_FALSE(ReadFirstSet(file));
  ASSERT_TRUE(ReadFirstSetHeader(file));
  EXPECT_TRUE(ReadFirstSetHeader(file)->withChecksum);
}
