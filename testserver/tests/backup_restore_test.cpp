// BACKUP DATABASE, RESTORE FILELISTONLY and RESTORE DATABASE ... WITH MOVE as the
// tool's backup and restore operations send them.
#include <gtest/gtest.h>

#include <fstream>

#include "odbc_client.h"
#include "server_process.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

struct BackupRestore : ::testing::Test {
  ServerProcess server{{"--seed"}};
  OdbcClient client;
  void SetUp() override {
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    client.Execute("xp_cmdshell 'mkdir c:\\BKSQLData$ '");
    client.Execute("xp_cmdshell 'mkdir D:\\Data'");
  }
  Names Tables(const std::string& database) {
    OdbcClient in;
    EXPECT_TRUE(in.Connect(server.Port(), "sa", ServerProcess::kSaPassword, database));
    return FirstColumn(in.Execute("select name from sysobjects where xtype='U' order by name"));
  }
};

bool Said(const Outcome& o, const std::string& text) {
  return o.Messages().find(text) != std::string::npos;
}

}  // namespace

TEST_F(BackupRestore, BackupWritesTheFileAndReportsPages) {
  auto backup =
      client.Execute("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init");
  EXPECT_EQ(backup.rc, SQL_SUCCESS_WITH_INFO) << backup.Messages();
  EXPECT_TRUE(Said(backup, "Processed 4 pages for database 'Sales', file 'Sales_Data' on file 1."))
      << backup.Messages();
  EXPECT_TRUE(backup.HasNative(3014));
  EXPECT_TRUE(fs::exists(server.StateDir() / "c" / "BKSQLData$" / "Sales.bak"));

  auto again = client.Execute("backup database [Sales] to disk='c:\\bksqldata$\\SALES.BAK'");
  EXPECT_TRUE(Said(again, "on file 2.")) << again.Messages();  // appended without INIT
  auto init =
      client.Execute("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init");
  EXPECT_TRUE(Said(init, "on file 1.")) << init.Messages();
  auto bare = client.Execute("backup database [Sales] to disk='bare.bak'");
  EXPECT_FALSE(bare.Failed()) << bare.Messages();  // a bare name goes to the backup folder
  EXPECT_TRUE(fs::exists(server.StateDir() / "c" / "Program Files" / "Microsoft SQL Server" /
                         "MSSQL" / "BACKUP" / "bare.bak"));
}

TEST_F(BackupRestore, BackupErrors) {
  auto folder =
      client.Execute("backup database [Sales] to disk='c:\\nofolder\\Sales.bak' with init");
  EXPECT_TRUE(folder.Failed());
  ASSERT_GE(folder.diagnostics.size(), 2u) << folder.Messages();
  EXPECT_EQ(folder.diagnostics[0].native, 3201);
  EXPECT_EQ(folder.diagnostics[1].native, 3013);
  EXPECT_TRUE(Said(folder, "BACKUP DATABASE is terminating abnormally."));
  auto unknown = client.Execute("backup database [NoSuch] to disk='c:\\BKSQLData$\\x.bak'");
  EXPECT_TRUE(unknown.HasNative(911)) << unknown.Messages();
  EXPECT_TRUE(unknown.HasNative(3013));
  EXPECT_TRUE(
      client.Execute("backup database [tempdb] to disk='c:\\BKSQLData$\\t.bak'").HasNative(3147));
}

TEST_F(BackupRestore, RestoreToNewFilesInBothSpellings) {
  client.Execute("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init");
  auto list = client.Execute("RESTORE FILELISTONLY from disk='c:\\BKSQLData$\\Sales.bak'");
  ASSERT_EQ(list.results.size(), 1u) << list.Messages();
  const Rows& files = list.results[0];
  EXPECT_EQ(files.columns,
            (Names{"LogicalName", "PhysicalName", "Type", "FileGroupName", "Size", "MaxSize"}));
  ASSERT_EQ(files.rows.size(), 2u);
  EXPECT_EQ(files.rows[0][0], "Sales_Data");
  EXPECT_EQ(files.rows[1][0], "Sales_Log");
  EXPECT_EQ(files.rows[1][2], "L");

  auto copy = client.Execute(
      "restore database [Copy] from disk='c:\\BKSQLData$\\Sales.bak' WITH  move 'Sales_Data' to "
      "'D:\\Data\\Copy.Mdf',move 'Sales_Log' to 'D:\\Data\\Copy.Ldf'");
  EXPECT_FALSE(copy.Failed()) << copy.Messages();
  EXPECT_TRUE(copy.HasNative(3014));
  EXPECT_EQ(Tables("Copy"), Tables("Sales"));
  OdbcClient copied;
  ASSERT_TRUE(copied.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Copy"));
  auto customers = copied.Execute("select Name from Customers where CustomerID = 2");
  EXPECT_EQ(FirstColumn(customers), Names{"Fabrikam"}) << customers.Messages();
  EXPECT_EQ(FirstColumn(client.Execute("select filename from dbo.sysdatabases where name='Copy'")),
            Names{"D:\\Data\\Copy.Mdf"});
  EXPECT_TRUE(fs::exists(server.StateDir() / "d" / "Data" / "Copy.Ldf"));

  // The same-machine form names an absolute path of the server's own file system.
  ScratchDir local;
  std::string bak = (local.Path() / "sales.bak").string();
  client.Execute("backup database [Sales] to disk='" + bak + "'");
  auto again = client.Execute("restore database [Copy2] from disk='" + bak +
                              "' with move 'Sales_Data' to 'D:\\Data\\Copy2.Mdf' ,move "
                              "'Sales_Log' to 'D:\\Data\\Copy2.Ldf'");
  EXPECT_FALSE(again.Failed()) << again.Messages();
  EXPECT_EQ(Tables("Copy2").size(), 5u);
}

TEST_F(BackupRestore, RestoreErrors) {
  client.Execute("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init");
  auto restore = [&](const std::string& database, const std::string& data, const std::string& log,
                     const std::string& from = "c:\\BKSQLData$\\Sales.bak") {
    return client.Execute("restore database [" + database + "] from disk='" + from +
                          "' with move 'Sales_Data' to '" + data + "' ,move 'Sales_Log' to '" +
                          log + "'");
  };
  auto missing = restore("X", "D:\\Data\\X.Mdf", "D:\\Data\\X.Ldf", "c:\\BKSQLData$\\none.bak");
  EXPECT_TRUE(missing.HasNative(3201)) << missing.Messages();
  EXPECT_TRUE(Said(missing, "RESTORE DATABASE is terminating abnormally."));

  auto other = restore("Inventory", "D:\\Data\\I.Mdf", "D:\\Data\\I.Ldf");
  EXPECT_TRUE(other.HasNative(3154)) << other.Messages();

  const std::string dir = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
  auto used = restore("X", dir + "inventory_data.mdf", "D:\\Data\\X.Ldf");
  EXPECT_TRUE(used.HasNative(1834)) << used.Messages();
  EXPECT_TRUE(used.HasNative(3013));

  auto nodir = restore("X", "E:\\None\\X.Mdf", "D:\\Data\\X.Ldf");
  EXPECT_TRUE(nodir.HasNative(5133)) << nodir.Messages();
  EXPECT_TRUE(
      FirstColumn(client.Execute("select name from dbo.sysdatabases where name='X'")).empty());

  auto list = client.Execute("RESTORE FILELISTONLY from disk='c:\\BKSQLData$\\none.bak'");
  EXPECT_TRUE(list.HasNative(3201));
  EXPECT_TRUE(Said(list, "RESTORE FILELIST is terminating abnormally."));
}

TEST(Catalog, RestoredDatabasesOutliveARestart) {
  ScratchDir state;
  {
    ServerProcess server({"--seed", "--state", state.Path().string()});
    ASSERT_TRUE(server.Ready());
    OdbcClient client;
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    client.Execute("backup database [Sales] to disk='C:\\Sales.bak' with init");
    auto restore = client.Execute(
        "restore database [Kept] from disk='C:\\Sales.bak' with move 'Sales_Data' to "
        "'C:\\Kept.Mdf' ,move 'Sales_Log' to 'C:\\Kept.Ldf'");
    ASSERT_FALSE(restore.Failed()) << restore.Messages();
  }
  ServerProcess again({"--state", state.Path().string()});
  ASSERT_TRUE(again.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(again.Port(), "sa", ServerProcess::kSaPassword, "Kept"));
  EXPECT_EQ(FirstColumn(client.Execute("select name from sysobjects where name like 'SYS[_]LOG'")),
            Names{"SYS_LOG"});
}

TEST_F(BackupRestore, NonAsciiNamesSurviveTheRoundTrip) {
  const std::string name = "Ventes_\xc3\xa9t\xc3\xa9";  // Ventes_été
  client.Execute("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init");
  auto restore = client.Execute("restore database [" + name +
                                "] from disk='c:\\BKSQLData$\\Sales.bak' with move 'Sales_Data' to "
                                "'D:\\Data\\" +
                                name + ".Mdf' ,move 'Sales_Log' to 'D:\\Data\\" + name + ".Ldf'");
  ASSERT_FALSE(restore.Failed()) << restore.Messages();
  EXPECT_EQ(
      FirstColumn(client.Execute("select name from dbo.sysdatabases where name like 'ventes%'")),
      Names{name});
  EXPECT_TRUE(fs::exists(server.StateDir() / "d" / "Data" / (name + ".Mdf")));
}

namespace {
std::vector<long> Natives(const Outcome& o) {
  std::vector<long> numbers;
  for (const Diagnostic& d : o.diagnostics) {
    numbers.push_back(d.native);
  }
  return numbers;
}
}  // namespace

TEST_F(BackupRestore, VerifyOnlyReadsTheWholeFileWhereFileListOnlyReadsItsHeader) {
  const std::string bak = "c:\\BKSQLData$\\Sales.bak";
  const fs::path file = server.StateDir() / "c" / "BKSQLData$" / "Sales.bak";
  client.Execute("backup database [Sales] to disk='" + bak + "' with init");
  auto valid = client.Execute("Restore VerifyOnly From Disk='" + bak + "'");
  EXPECT_FALSE(valid.Failed()) << valid.Messages();
  ASSERT_EQ(Natives(valid), std::vector<long>{3262});
  EXPECT_EQ(valid.diagnostics[0].message.substr(valid.diagnostics[0].message.rfind(']') + 1),
            "The backup set on file 1 is valid.");

  auto size = fs::file_size(file);
  {
    std::fstream patch(file, std::ios::binary | std::ios::in | std::ios::out);
    patch.seekp(static_cast<std::streamoff>(size / 2));
    patch.put('\x5a');
  }
  auto altered = client.Execute("restore verifyonly from disk='" + bak + "'");
  EXPECT_TRUE(altered.Failed());
  EXPECT_EQ(Natives(altered), (std::vector<long>{3241, 3013})) << altered.Messages();

  fs::resize_file(file, size - 100);
  auto cut = client.Execute("restore verifyonly from disk='" + bak + "'");
  EXPECT_EQ(Natives(cut), (std::vector<long>{3241, 3013})) << cut.Messages();
  EXPECT_TRUE(
      Said(cut, "The media family on device '" + bak +
                    "' is incorrectly formed. SQL Server cannot process this media family."));
  EXPECT_TRUE(Said(cut, "VERIFY DATABASE is terminating abnormally."));
  auto list = client.Execute("restore filelistonly from disk='" + bak + "'");
  EXPECT_FALSE(list.Failed()) << list.Messages();
  EXPECT_EQ(FirstColumn(list), (Names{"Sales_Data", "Sales_Log"}));
  auto restore = client.Execute("restore database [Cut] from disk='" + bak +
                                "' with move 'Sales_Data' to 'D:\\Data\\Cut.Mdf', move "
                                "'Sales_Log' to 'D:\\Data\\Cut.Ldf'");
  EXPECT_EQ(Natives(restore), (std::vector<long>{3241, 3013})) << restore.Messages();
  EXPECT_FALSE(fs::exists(server.StateDir() / "d" / "Data" / "Cut.Mdf"));
}

TEST(ArchiveRestore, TwoDataFilesAndALogEachMovedOnce) {
  ServerProcess server({"--seed-archive"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  client.Execute("xp_cmdshell 'mkdir D:\\Data'");
  client.Execute("backup database [Archive] to disk='C:\\Archive.bak' with init");
  auto list = client.Execute("restore filelistonly from disk='C:\\Archive.bak'");
  ASSERT_EQ(list.results.size(), 1u) << list.Messages();
  const std::string dir = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
  std::vector<std::vector<std::optional<std::string>>> nameFileType;
  for (const auto& row : list.results[0].rows) {
    nameFileType.push_back({row[0], row[1], row[2]});
  }
  EXPECT_EQ(nameFileType, (decltype(nameFileType){{"Archive_Data", dir + "Archive_Data.MDF", "D"},
                                                  {"Archive_Data2", dir + "Archive_Data2.NDF", "D"},
                                                  {"Archive_Log", dir + "Archive_Log.LDF", "L"}}));

  auto restore = [&](const std::vector<std::pair<std::string, std::string>>& moves) {
    std::string sql = "restore database [Copy] from disk='C:\\Archive.bak' with ";
    for (const auto& [logical, path] : moves) {
      sql +=
          (sql.back() == ' ' ? "" : ", ") + std::string("move '") + logical + "' to '" + path + "'";
    }
    return client.Execute(sql);
  };
  auto left =
      restore({{"Archive_Data", "D:\\Data\\Copy.Mdf"}, {"Archive_Log", "D:\\Data\\Copy.Ldf"}});
  EXPECT_EQ(Natives(left), (std::vector<long>{1834, 3156, 3013})) << left.Messages();
  EXPECT_TRUE(Said(left, "The file '" + dir +
                             "Archive_Data2.NDF' cannot be overwritten.  It is being used by "
                             "database 'Archive'."));
  auto unknown = restore({{"Archive_Data", "D:\\Data\\Copy.Mdf"}, {"Nope", "D:\\Data\\N.ndf"}});
  EXPECT_EQ(Natives(unknown), (std::vector<long>{3234, 3013})) << unknown.Messages();
  auto twice = restore({{"Archive_Data", "D:\\Data\\Copy.Mdf"},
                        {"Archive_Data2", "D:\\data\\copy.mdf"},
                        {"Archive_Log", "D:\\Data\\Copy.Ldf"}});
  EXPECT_EQ(Natives(twice), (std::vector<long>{3176, 3013})) << twice.Messages();
  EXPECT_TRUE(Said(twice,
                   "File 'D:\\data\\copy.mdf' is claimed by 'Archive_Data'(1) and "
                   "'Archive_Data2'(2). The WITH MOVE clause can be used to relocate one "
                   "or more files."));
  EXPECT_TRUE(fs::is_empty(server.StateDir() / "d" / "Data"));

  auto whole = restore({{"Archive_Log", "D:\\Data\\Copy.Ldf"},
                        {"Archive_Data2", "D:\\Data\\Copy_1.ndf"},
                        {"Archive_Data", "D:\\Data\\Copy.Mdf"}});
  EXPECT_FALSE(whole.Failed()) << whole.Messages();
  EXPECT_EQ(fs::file_size(server.StateDir() / "d" / "Data" / "Copy_1.ndf"), 1024u * 1024u);
  OdbcClient copy;
  ASSERT_TRUE(copy.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Copy"));
  EXPECT_EQ(FirstColumn(copy.Execute("select Year from Invoices where InvoiceID = 2")),
            Names{"2004"});
  EXPECT_EQ(FirstColumn(copy.Execute("select filename from sysfiles")).size(), 3u);
}
