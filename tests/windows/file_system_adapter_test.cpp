#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fakes/copy_with_callback.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "windows/scratch_folder.h"

namespace harrowlander {
namespace {

using testing::CopyWith;
using testing::HeldOpen;
using testing::ReadTestFile;
using testing::ScratchFolder;
using testing::WriteTestFile;
using Calls = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

class Win32FileSystemTest : public ::testing::Test {
 protected:
  CopyProgressCallback Recorder() {
    return [this](std::uint64_t total, std::uint64_t copied) { calls.emplace_back(total, copied); };
  }

  ScratchFolder folder;
  win32::Win32FileSystem files;
  Calls calls;
};

TEST_F(Win32FileSystemTest, ReplacingWritesEverythingAndLeavesNothingBeside) {
  const std::string path = folder / "设置.dat";
  std::string content(100000, 'x');
  content[5] = '\0';
  FileResult made = files.ReplaceFilePrivately(path, content);
  EXPECT_TRUE(made.ok) << made.error;
  EXPECT_EQ(ReadTestFile(path), content);

  FileResult replaced = files.ReplaceFilePrivately(path, "short");
  EXPECT_TRUE(replaced.ok) << replaced.error;
  EXPECT_EQ(files.ReadWholeFile(path), "short");
  EXPECT_EQ(folder.EntryCount(), 1);
}

TEST_F(Win32FileSystemTest, AReplaceThatCannotFinishKeepsTheOldFile) {
  const std::string path = folder / "Harrowlander.dat";
  WriteTestFile(path, "old settings");
  {
    // Another program has the file open and lets nobody delete or rename it.
    HeldOpen other(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(other.IsOpen());
    FileResult result = files.ReplaceFilePrivately(path, "new settings");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
  }
  EXPECT_EQ(ReadTestFile(path), "old settings");
  EXPECT_EQ(folder.EntryCount(), 1) << "the new file beside it is gone";

  FileResult noFolder = files.ReplaceFilePrivately(folder / "missing\\Harrowlander.dat", "x");
  EXPECT_FALSE(noFolder.ok);
  EXPECT_FALSE(noFolder.error.empty());
}

// A new backup replaces the older one in one step; held open by another program, the
// older one stays as it was and the new one beside it.
TEST_F(Win32FileSystemTest, MovingOverReplacesOrLeavesBothAsTheyWere) {
  const std::string path = folder / "销售.bak";
  const std::string partial = path + ".partial";
  WriteTestFile(path, "older backup");
  WriteTestFile(partial, "new backup");
  {
    HeldOpen other(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(other.IsOpen());
    const FileResult refused = files.MoveOver(partial, path);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.error.empty());
  }
  EXPECT_EQ(ReadTestFile(path), "older backup");
  EXPECT_EQ(ReadTestFile(partial), "new backup");

  const FileResult moved = files.MoveOver(partial, path);
  EXPECT_TRUE(moved.ok) << moved.error;
  EXPECT_EQ(ReadTestFile(path), "new backup");
  EXPECT_EQ(folder.EntryCount(), 1);
}

TEST_F(Win32FileSystemTest, ReadingAndTheOpenTest) {
  const std::string path = folder / "nightly.bak";
  WriteTestFile(path, "backup set");
  EXPECT_EQ(files.ReadWholeFile(path), "backup set");
  EXPECT_TRUE(files.CanOpenForReading(path));
  {
    // A file the server is still writing reads as it stands.
    HeldOpen writer(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_TRUE(files.CanOpenForReading(path));
    EXPECT_EQ(files.ReadWholeFile(path), "backup set");
  }
  for (const std::string& nothing : {folder / "missing.bak", folder / ""}) {
    EXPECT_FALSE(files.CanOpenForReading(nothing)) << nothing;
    EXPECT_EQ(files.ReadWholeFile(nothing), std::nullopt) << nothing;
  }
}

TEST_F(Win32FileSystemTest, DeletingAnswersWhetherAFileWasThere) {
  const std::string path = folder / "old.bak";
  WriteTestFile(path, "x");
  EXPECT_TRUE(files.DeleteFile(path));
  EXPECT_FALSE(files.CanOpenForReading(path));
  EXPECT_FALSE(files.DeleteFile(path));
}

TEST_F(Win32FileSystemTest, CopyReplacesTheDestinationAndReportsUpToEverything) {
  const std::string source = folder / "源.bak";
  const std::string destination = folder / "目标.bak";
  const std::string content(1572864, 'b');
  WriteTestFile(source, content);
  WriteTestFile(destination, std::string(2000000, 'o'));

  EXPECT_TRUE(CopyWith(files, source, destination, Recorder()));

  EXPECT_EQ(ReadTestFile(destination), content);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), std::make_pair(std::uint64_t{1572864}, std::uint64_t{1572864}));
  for (std::size_t i = 1; i < calls.size(); ++i) {
    EXPECT_LE(calls[i - 1].second, calls[i].second);
  }
  EXPECT_EQ(folder.EntryCount(), 2);
}

TEST_F(Win32FileSystemTest, AnEmptyFileCopiesAndReportsNothingCopiedOfNothing) {
  const std::string source = folder / "empty.bak";
  WriteTestFile(source, "");
  EXPECT_TRUE(CopyWith(files, source, folder / "copy.bak", Recorder()));
  EXPECT_EQ(ReadTestFile(folder / "copy.bak"), "");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), std::make_pair(std::uint64_t{0}, std::uint64_t{0}));
}

TEST_F(Win32FileSystemTest, AFailedCopyLeavesTheDestinationAsItWas) {
  const std::string source = folder / "source.bak";
  const std::string destination = folder / "destination.bak";
  WriteTestFile(source, "new backup");
  WriteTestFile(destination, "old backup");

  // Each failure carries the system's own words for it.
  const CopyProgressCallback record = Recorder();
  testing::CallbackObserver observer(record);
  const CopyOutcome noSource = files.CopyFile(folder / "missing.bak", destination, observer);
  EXPECT_EQ(noSource.status, CopyOutcome::Status::kFailed);
  EXPECT_EQ(noSource.reason, win32::SystemErrorText(ERROR_FILE_NOT_FOUND));
  const CopyOutcome noFolder =
      files.CopyFile(source, folder / "missing\\destination.bak", observer);
  EXPECT_EQ(noFolder.status, CopyOutcome::Status::kFailed);
  EXPECT_EQ(noFolder.reason, win32::SystemErrorText(ERROR_PATH_NOT_FOUND));
  {
    // The copy itself succeeds, but the destination cannot be replaced.
    HeldOpen reader(destination, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader.IsOpen());
    const CopyOutcome held = files.CopyFile(source, destination, observer);
    EXPECT_EQ(held.status, CopyOutcome::Status::kFailed);
    EXPECT_FALSE(held.reason.empty());
    EXPECT_TRUE(held.leftover.empty());
  }

  EXPECT_EQ(ReadTestFile(destination), "old backup");
  EXPECT_EQ(folder.EntryCount(), 2) << "no copy is left beside the destination";
}

// The copy holds the source as it was before the copy, or fails: a source that grows or
// shrinks while the system copies it (Wine calls the progress routine only once the
// copy is through) fails the copy, and the old destination stays with nothing beside it.
TEST_F(Win32FileSystemTest, ASourceThatChangesDuringTheCopyFailsIt) {
  const std::string source = folder / "growing.bak";
  const std::string destination = folder / "destination.bak";
  for (const bool grow : {true, false}) {
    SCOPED_TRACE(grow ? "growing" : "shrinking");
    WriteTestFile(source, std::string(4 << 20, 's'));
    WriteTestFile(destination, "old backup");
    bool changed = false;
    const CopyProgressCallback change = [&](std::uint64_t, std::uint64_t copied) {
      if (copied == 0 || changed) {
        return;
      }
      const HANDLE file = CreateFileW(win32::Widen(source).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        return;
      }
      LARGE_INTEGER end;
      end.QuadPart = grow ? (5 << 20) : (1 << 20);
      changed = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
      CloseHandle(file);
    };
    EXPECT_FALSE(CopyWith(files, source, destination, change));
    EXPECT_TRUE(changed) << "the source could be changed during the copy";
    const std::string after = ReadTestFile(destination);
    EXPECT_TRUE(after == "old backup") << after.size() << " bytes";
    EXPECT_EQ(folder.EntryCount(), 2) << "no copy is left beside the destination";
  }
}

// A stop asked for while the system copies (Wine does not hear the progress routine's
// answer, so there the copy's last check before the move takes it) ends the copy: the
// old destination stays and no new file is left beside it.
TEST_F(Win32FileSystemTest, AStopEndsTheCopyAndLeavesTheDestinationAsItWas) {
  const std::string source = folder / "source.bak";
  const std::string destination = folder / "destination.bak";
  WriteTestFile(source, std::string(3 << 20, 'n'));
  WriteTestFile(destination, "old backup");
  class StopOnProgress : public CopyObserver {
   public:
    void Progress(std::uint64_t, std::uint64_t) override { stop = true; }
    bool StopRequested() override { return stop; }
    bool stop = false;
  } observer;
  const CopyOutcome outcome = files.CopyFile(source, destination, observer);
  EXPECT_EQ(outcome.status, CopyOutcome::Status::kStopped);
  EXPECT_TRUE(outcome.leftover.empty());
  EXPECT_EQ(ReadTestFile(destination), "old backup");
  EXPECT_EQ(folder.EntryCount(), 2) << "no copy is left beside the destination";
}

// The copy's digest (the new file read back through CNG) and a file's, against values
// sha256sum gave: several of the hash's read pieces, the standard "abc", a file that is
// not there, and a stop asked for between pieces.
TEST_F(Win32FileSystemTest, TheDigestOfACopyAndOfAFileAreSha256OfTheirContent) {
  std::string content((5 << 20) + 123, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>((i * 7 + i / 4096) % 251);
  }
  const std::string expected = "a439d4dee766d0b54b85a5ce7fe2a678f5421ffeec974c21823f36f410601f90";
  WriteTestFile(folder / "source.bak", content);
  WriteTestFile(folder / "copy.bak", "old backup");

  const CopyProgressCallback record = Recorder();
  testing::CallbackObserver observer(record);
  const CopyOutcome copied = files.CopyFile(folder / "source.bak", folder / "copy.bak", observer);
  ASSERT_TRUE(copied.Copied()) << copied.reason;
  EXPECT_EQ(copied.sha256, expected);
  EXPECT_EQ(files.Sha256OfFile(folder / "copy.bak", {}), expected);

  WriteTestFile(folder / "abc.txt", "abc");
  EXPECT_EQ(files.Sha256OfFile(folder / "abc.txt", [] { return false; }),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(files.Sha256OfFile(folder / "missing.bak", {}), std::nullopt);
  int asked = 0;
  EXPECT_EQ(files.Sha256OfFile(folder / "copy.bak", [&] { return ++asked > 2; }), std::nullopt);
  EXPECT_EQ(asked, 3) << "asked before each piece, and no more once stopped";
}

TEST_F(Win32FileSystemTest, TheSizeOfAFileAndTheRoomOnItsDisk) {
  WriteTestFile(folder / "f.bak", std::string(70000, 'f'));
  EXPECT_EQ(files.FileSize(folder / "f.bak"), 70000u);
  EXPECT_EQ(files.FileSize(folder / "missing.bak"), std::nullopt);
  EXPECT_EQ(files.FileSize(folder / ""), std::nullopt) << "a folder is no file";
  const std::optional<std::uint64_t> room = files.FreeSpace(folder / "new.bak");
  ASSERT_TRUE(room);
  EXPECT_GT(*room, 0u);
  EXPECT_EQ(files.FreeSpace(folder / "missing\\new.bak"), std::nullopt);
}

}  // namespace
}  // namespace harrowlander
