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
