#include "sql/parser.h"

#include <gtest/gtest.h>

#include "server/result.h"

using namespace testserver;
using namespace testserver::sql;

namespace {

template <typename T>
T One(const std::string& text) {
  auto statements = ParseBatch(text);
  EXPECT_EQ(statements.size(), 1u) << text;
  return std::get<T>(statements.at(0));
}

int SyntaxError(const std::string& text, std::string* message = nullptr) {
  try {
    ParseBatch(text);
  } catch (const SqlError& e) {
    if (message) {
      *message = e.messages.front().text;
    }
    return e.messages.front().number;
  }
  return 0;
}

}  // namespace

TEST(Parser, DatabaseListWithAndWithoutFilter) {
  auto all = One<SelectStatement>("select name from dbo.sysdatabases  order by name");
  EXPECT_EQ(all.from->owner, "dbo");
  EXPECT_EQ(all.from->object, "sysdatabases");
  EXPECT_EQ(all.orderBy, "name");
  EXPECT_FALSE(all.where);
  auto filtered = One<SelectStatement>(
      "select name from dbo.sysdatabases  where name not in "
      "('master','model','msdb','northwind','pubs','tempdb') order by name");
  ASSERT_TRUE(filtered.where);
  EXPECT_EQ(filtered.where->kind, Condition::Kind::Not);
  EXPECT_EQ(filtered.where->children.at(0).values.size(), 6u);
}

TEST(Parser, TableQueryWithSeveralPatternsAndOddBlanks) {
  auto s = One<SelectStatement>(
      "select name from sysobjects where (name like 'a' or name like 'b'  or name like 'c' ) "
      "and xtype='U' order by name");
  ASSERT_TRUE(s.where);
  EXPECT_EQ(s.where->kind, Condition::Kind::And);
  EXPECT_EQ(s.where->children.at(0).kind, Condition::Kind::Or);
  EXPECT_EQ(s.where->children.at(0).children.size(), 3u);
}

TEST(Parser, QualifiedNamesAndDbId) {
  auto alt =
      One<SelectStatement>("select filename from master.dbo.sysaltfiles where dbid=db_id('Sales')");
  EXPECT_EQ(alt.from->database, "master");
  EXPECT_EQ(alt.where->values.at(0).kind, Operand::Kind::DbIdOf);
  auto files = One<SelectStatement>("select filename from [Sales]].x].dbo.sysfiles");
  EXPECT_EQ(files.from->database, "Sales].x");
  auto dots = One<SelectStatement>("select name from master..sysdatabases");
  EXPECT_EQ(dots.from->owner, "");
  EXPECT_EQ(dots.from->database, "master");
}

TEST(Parser, BackupAndRestoreForms) {
  auto backup = One<BackupDatabaseStatement>(
      "backup database [pubs] to disk='c:\\BKSQLData$\\pubs.bak' with init");
  EXPECT_EQ(backup.database, "pubs");
  EXPECT_EQ(backup.disk, "c:\\BKSQLData$\\pubs.bak");
  EXPECT_TRUE(backup.init);
  EXPECT_FALSE(One<BackupDatabaseStatement>("backup database [a] to disk='x'").init);
  EXPECT_TRUE(One<BackupLogStatement>("backup log [pubs] with no_log").noLog);

  auto local = One<RestoreDatabaseStatement>(
      "restore database [S] from disk='/tmp/a.bak' with move 'd' to 'C:\\x\\S.Mdf' ,move 'l' to "
      "'C:\\x\\S.Ldf'");
  auto remote = One<RestoreDatabaseStatement>(
      "restore database [S] from disk='c:\\BKSQLData$\\S.bak' WITH  move 'd' to "
      "'C:\\x\\S.Mdf',move 'l' to 'C:\\x\\S.Ldf'");
  EXPECT_EQ(local.moves, remote.moves);
  ASSERT_EQ(local.moves.size(), 2u);
  EXPECT_EQ(local.moves[1].first, "l");
  EXPECT_EQ(One<RestoreFileListStatement>("RESTORE FILELISTONLY from disk='it''s.bak'").disk,
            "it's.bak");
}

TEST(Parser, DropShrinkAndCommandShell) {
  EXPECT_EQ(One<DropDatabaseStatement>("drop database [Sales] ").databases.at(0), "Sales");
  EXPECT_EQ(One<DropTableStatement>("Drop Table [Order Details]").tables.at(0).object,
            "Order Details");
  auto shrink = One<ShrinkDatabaseStatement>("DBCC SHRINKDATABASE ([pubs],10)");
  EXPECT_EQ(shrink.database, "pubs");
  EXPECT_EQ(shrink.targetPercent, 10);
  auto exec = One<ExecStatement>("xp_cmdshell 'del \"C:\\d\\S.Mdf\"'");
  EXPECT_EQ(exec.procedure.object, "xp_cmdshell");
  EXPECT_EQ(exec.arguments.at(0).text, "del \"C:\\d\\S.Mdf\"");
  EXPECT_EQ(One<ExecStatement>("exec master..xp_cmdshell N'mkdir x'").procedure.database, "master");
}

TEST(Parser, SyntaxErrorsNameTheOffendingToken) {
  std::string message;
  EXPECT_EQ(SyntaxError("select name from", &message), 102);
  EXPECT_EQ(message, "Incorrect syntax near 'from'.");
  EXPECT_EQ(SyntaxError("backup database [pubs] to disk='c:\\it's d'x.bak'", &message), 102);
  EXPECT_EQ(message, "Incorrect syntax near 's'.");
  EXPECT_EQ(SyntaxError("select name from sysobjects where name like 'abc", &message), 105);
  EXPECT_EQ(message, "Unclosed quotation mark before the character string 'abc'.");
  EXPECT_EQ(SyntaxError("select 1 garbage here"), 102);
  EXPECT_EQ(SyntaxError("drop view v"), 102);
  // An empty database field reaches the server as empty brackets.
  EXPECT_EQ(SyntaxError("DBCC SHRINKDATABASE ([],10)"), 1038);
  EXPECT_EQ(SyntaxError("drop database [] "), 1038);
}

TEST(Parser, LiteralsWithoutNPassThroughTheAnsiCodePage) {
  auto western = AnsiCodePage::Open(1252);
  ASSERT_TRUE(western);
  EXPECT_EQ(western->Narrow("Sālēs"), "Sales");
  EXPECT_EQ(western->Narrow("café €5 Łódź 中 😀"), "café €5 Lódz ? ?");
  EXPECT_EQ(AnsiCodePage::Open(1250)->Narrow("Łódź"), "Łódź");  // the page's own letters stay
  EXPECT_FALSE(AnsiCodePage::Open(936));                        // double-byte
  EXPECT_FALSE(AnsiCodePage::Open(1259));

  auto statements = ParseBatch("select db_id('Sālēs'), db_id(N'Sālēs'), [Sālēs]", &*western);
  const auto& columns = std::get<SelectStatement>(statements.at(0)).columns;
  EXPECT_EQ(columns.at(0).text, "Sales");
  EXPECT_EQ(columns.at(1).text, "Sālēs");
  EXPECT_EQ(columns.at(2).text, "Sālēs");
}

TEST(Parser, VariablesNamedArgumentsAliasesAndStats) {
  auto statements = ParseBatch(
      "declare @result int exec @result=sp_getapplock @Resource='BKSQLData$',"
      "@LockMode='Exclusive',\n @LockOwner='Session',@LockTimeout=0; select @result as result");
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_EQ(std::get<DeclareStatement>(statements[0]).variables.at(0).type, "int");
  const auto& exec = std::get<ExecStatement>(statements[1]);
  EXPECT_EQ(exec.returnVariable, "@result");
  EXPECT_EQ(exec.parameterNames,
            (std::vector<std::string>{"@Resource", "@LockMode", "@LockOwner", "@LockTimeout"}));
  EXPECT_EQ(exec.arguments.at(3).number, 0);
  const auto& select = std::get<SelectStatement>(statements[2]);
  EXPECT_EQ(select.columns.at(0).kind, Operand::Kind::Variable);
  EXPECT_EQ(select.aliases, std::vector<std::string>{"result"});
  EXPECT_EQ(One<SelectStatement>("select count(*) users from master.dbo.sysprocesses").aliases,
            std::vector<std::string>{"users"});
  // A variable the batch never declared stops the whole batch.
  EXPECT_EQ(SyntaxError("exec @r = sp_getapplock 'x', 'Shared'"), 137);
  EXPECT_EQ(SyntaxError("declare @R int select @r, @other"), 137);

  EXPECT_EQ(One<BackupDatabaseStatement>("backup database [a] to disk='x' with stats").stats, 10);
  EXPECT_EQ(
      One<BackupDatabaseStatement>("backup database [a] to disk='x' with init, STATS = 5").stats,
      5);
  EXPECT_FALSE(One<BackupDatabaseStatement>("backup database [a] to disk='x' with init").stats);
  EXPECT_EQ(One<RestoreDatabaseStatement>(
                "restore database [a] from disk='x' with stats=20, move 'd' to 'p', replace")
                .stats,
            20);
  One<RestoreVerifyStatement>("restore verifyonly from disk='x' with stats = 10");
}

TEST(Parser, CheckDbFormsAndTheBackupOptionsEachReleaseKnows) {
  EXPECT_TRUE(One<CheckDbStatement>("DBCC CHECKDB").database.empty());  // the current one
  auto quoted = One<CheckDbStatement>("dbcc checkdb(N'Sales', NOINDEX) with no_infomsgs");
  EXPECT_EQ(quoted.database, "Sales");
  EXPECT_TRUE(quoted.noInfoMessages);
  EXPECT_EQ(One<CheckDbStatement>("DBCC CHECKDB(7) WITH ALL_ERRORMSGS").databaseId, 7);
  EXPECT_EQ(SyntaxError("DBCC CHECKDB([Sales], REPAIR_REBUILD)"), 102);

  const std::string tool =
      "backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with init, stats = 1, "
      "checksum, copy_only";
  auto statements = ParseBatch(tool, nullptr, Product::k2019);
  const auto& backup = std::get<BackupDatabaseStatement>(statements.at(0));
  EXPECT_TRUE(backup.init && backup.checksum && backup.copyOnly);
  EXPECT_EQ(backup.stats, 1);
  EXPECT_FALSE(std::get<BackupDatabaseStatement>(
                   ParseBatch("backup database [a] to disk='x' with checksum, no_checksum", nullptr,
                              Product::k2019)
                       .at(0))
                   .checksum);
  std::string message;
  EXPECT_EQ(SyntaxError(tool, &message), 155);  // SQL Server 2000
  EXPECT_EQ(message, "'checksum' is not a recognized BACKUP option.");
  EXPECT_EQ(
      SyntaxError("restore database [a] from disk='x' with move 'd' to 'p', nosuch", &message),
      155);
  EXPECT_EQ(message, "'nosuch' is not a recognized RESTORE option.");
}
