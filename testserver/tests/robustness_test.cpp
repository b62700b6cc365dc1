// Malformed input from the network or the disk must be refused, never crash the
// server (these run under the sanitizers in the asan preset).
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "net/browser.h"
#include "server/backup_file.h"
#include "server/result.h"
#include "server_process.h"
#include "sql/parser.h"
#include "tds/login7.h"

using namespace testserver;

namespace {
std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t maxSize) {
  std::vector<uint8_t> bytes(rng() % (maxSize + 1));
  for (auto& b : bytes) {
    b = static_cast<uint8_t>(rng());
  }
  return bytes;
}
}  // namespace

TEST(Robustness, RandomLoginRecordsAndBrowserRequests) {
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) {
    auto bytes = RandomBytes(rng, 300);
    if (bytes.size() >= 94 && i % 2) {
      // Plausible offsets make the parser follow them.
      for (size_t at = 36; at < 90; at += 4) {
        bytes[at] = static_cast<uint8_t>(94 + rng() % 200);
        bytes[at + 1] = 0;
      }
    }
    auto login = tds::ParseLogin7(bytes);
    if (login) {
      EXPECT_LE(login->userName.size(), bytes.size() * 2);
    }
    BrowserReply(bytes, BrowserInfo{"H", "I", 1433});
  }
}

TEST(Robustness, RandomStatementText) {
  const char* pieces[] = {"select",
                          "name",
                          "from",
                          "dbo",
                          ".",
                          "sysdatabases",
                          "where",
                          "(",
                          ")",
                          "like",
                          "'a%'",
                          "N'x'",
                          "[a]]b]",
                          "in",
                          ",",
                          "not",
                          "and",
                          "or",
                          "=",
                          "backup",
                          "database",
                          "to",
                          "disk",
                          "with",
                          "init",
                          "restore",
                          "move",
                          "drop",
                          "table",
                          "dbcc",
                          "shrinkdatabase",
                          "xp_cmdshell",
                          "exec",
                          ";",
                          "'",
                          "[",
                          "10",
                          "db_id",
                          "order",
                          "by"};
  std::mt19937 rng(11);
  int parsed = 0;
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    for (int n = rng() % 12; n > 0; --n) {
      text += pieces[rng() % std::size(pieces)];
      text += rng() % 3 ? " " : "";
    }
    try {
      sql::ParseBatch(text);
      ++parsed;
    } catch (const SqlError& error) {
      EXPECT_FALSE(error.messages.empty()) << text;
    }
  }
  EXPECT_GT(parsed, 0);
}

TEST(Robustness, DamagedBackupFiles) {
  ScratchDir scratch;
  auto good = scratch.Path() / "good.bak";
  BackupSet set;
  set.database = "A";
  set.files = {{1, "A_Data", "C:\\A.mdf", false}, {2, "A_Log", "C:\\A.ldf", true}};
  set.fileBytes = {3, 1024};
  set.data = {1, 2, 3};
  ASSERT_TRUE(WriteBackupSet(good, set, true));
  std::ifstream in(good, std::ios::binary);
  std::vector<char> original((std::istreambuf_iterator<char>(in)), {});
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) {
    auto damaged = original;
    damaged[rng() % damaged.size()] = static_cast<char>(rng());
    damaged.resize(rng() % (damaged.size() + 1));
    auto file = scratch.Path() / "damaged.bak";
    std::ofstream(file, std::ios::binary).write(damaged.data(), damaged.size());
    EXPECT_NO_THROW(ReadBackupSets(file));
    EXPECT_NO_THROW(ReadFirstSetHeader(file));
  }
}
