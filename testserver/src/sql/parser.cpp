#include "parser.h"

#include <set>

#include "../server/messages.h"
#include "../text.h"
#include "lexer.h"

namespace testserver::sql {

namespace {

// Options of BACKUP (DATABASE and LOG) that only tune how the played server writes
// the media: accepted with their value and ignored. The first list is SQL Server
// 2000's, the second what 2005 and later added.
constexpr std::string_view kBackupTuning[] = {
    "blocksize", "description",   "expiredate", "format",   "mediadescription",
    "medianame", "mediapassword", "name",       "noformat", "noskip",
    "norewind",  "nounload",      "password",   "restart",  "retaindays",
    "rewind",    "skip",          "unload"};
constexpr std::string_view kBackupTuningSince2005[] = {"buffercount",          "maxtransfersize",
                                                       "continue_after_error", "stop_on_error",
                                                       "compression",          "no_compression"};
// The same for RESTORE (FILELISTONLY, VERIFYONLY, DATABASE).
constexpr std::string_view kRestoreTuning[] = {
    "keep_replication", "loadhistory", "medianame", "mediapassword", "password", "nounload",
    "unload",           "norewind",    "rewind",    "recovery",      "restart",  "restricted_user"};
constexpr std::string_view kRestoreTuningSince2005[] = {"buffercount", "maxtransfersize",
                                                        "continue_after_error", "stop_on_error"};
// WITH options of DBCC that change nothing here (NO_INFOMSGS is acted on).
constexpr std::string_view kDbccTuning[] = {
    "all_errormsgs", "tableresults", "physical_only",          "tablock",
    "estimateonly",  "data_purity",  "extended_logical_checks"};

template <size_t N>
bool Listed(const std::string_view (&list)[N], std::string_view word) {
  for (std::string_view entry : list) {
    if (EqualsNoCase(entry, word)) {
      return true;
    }
  }
  return false;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, Product product)
      : m_tokens(std::move(tokens)), m_checksumOptions(DescribeProduct(product).backupChecksums) {}

  std::vector<Statement> Batch() {
    std::vector<Statement> statements;
    while (!AtEnd()) {
      if (Accept(";")) {
        continue;
      }
      statements.push_back(OneStatement(statements.empty()));
    }
    return statements;
  }

 private:
  const Token& Peek(size_t ahead = 0) const {
    size_t i = std::min(m_pos + ahead, m_tokens.size() - 1);
    return m_tokens[i];
  }
  bool AtEnd() const { return Peek().kind == TokenKind::End; }
  bool IsWord(std::string_view word, size_t ahead = 0) const {
    return Peek(ahead).kind == TokenKind::Word && EqualsNoCase(Peek(ahead).text, word);
  }
  bool IsSymbol(std::string_view symbol) const { return IsSymbolAt(0, symbol); }
  bool IsSymbolAt(size_t ahead, std::string_view symbol) const {
    return Peek(ahead).kind == TokenKind::Symbol && Peek(ahead).text == symbol;
  }
  const Token& Next() {
    const Token& t = Peek();
    if (!AtEnd()) {
      ++m_pos;
    }
    return t;
  }

  [[noreturn]] void Fail() const {
    // The server names the token it stumbled on, or the last one when the text ended early.
    const Token& at = AtEnd() && m_pos > 0 ? m_tokens[m_pos - 1] : Peek();
    throw SqlError(msg::IncorrectSyntax(at.kind == TokenKind::String ? at.text : at.raw));
  }

  bool Accept(std::string_view wordOrSymbol) {
    if (IsWord(wordOrSymbol) || IsSymbol(wordOrSymbol)) {
      ++m_pos;
      return true;
    }
    return false;
  }
  void Expect(std::string_view wordOrSymbol) {
    if (!Accept(wordOrSymbol)) {
      Fail();
    }
  }

  std::string Identifier() {
    const Token& t = Peek();
    if (t.kind != TokenKind::Word && t.kind != TokenKind::QuotedIdentifier) {
      Fail();
    }
    if (t.kind == TokenKind::QuotedIdentifier && t.text.empty()) {
      throw SqlError(msg::EmptyName());
    }
    return Next().text;
  }
  std::string StringLiteral() {
    if (Peek().kind != TokenKind::String) {
      Fail();
    }
    return Next().text;
  }
  int64_t Number() {
    bool negative = Accept("-");
    if (Peek().kind != TokenKind::Number) {
      Fail();
    }
    int64_t value = std::stoll(Next().text);
    return negative ? -value : value;
  }

  ObjectName Object() {
    ObjectName name;
    std::vector<std::string> parts{Identifier()};
    name.written = m_tokens[m_pos - 1].raw;
    while (IsSymbol(".")) {
      Next();
      name.written += ".";
      if (IsSymbol(".")) {
        parts.emplace_back();
        continue;
      }
      parts.push_back(Identifier());
      name.written += m_tokens[m_pos - 1].raw;
    }
    if (parts.size() > 3) {
      Fail();
    }
    name.object = parts.back();
    if (parts.size() >= 2) {
      name.owner = parts[parts.size() - 2];
    }
    if (parts.size() == 3) {
      name.database = parts[0];
    }
    return name;
  }

  Statement OneStatement(bool firstInBatch) {
    const Token& t = Peek();
    if (t.kind == TokenKind::Word) {
      if (IsWord("select"))
        return Select();
      if (IsWord("use"))
        return Use();
      if (IsWord("set"))
        return Set();
      if (IsWord("backup"))
        return Backup();
      if (IsWord("restore"))
        return Restore();
      if (IsWord("drop"))
        return Drop();
      if (IsWord("dbcc"))
        return Dbcc();
      if (IsWord("declare"))
        return Declare();
      if (IsWord("exec") || IsWord("execute")) {
        Next();
        return Exec();
      }
    }
    // A batch may call a procedure without EXEC in its first statement only.
    if (firstInBatch && (t.kind == TokenKind::Word || t.kind == TokenKind::QuotedIdentifier)) {
      return Exec();
    }
    Fail();
  }

  Operand Value() {
    Operand operand;
    const Token& t = Peek();
    if (t.kind == TokenKind::String) {
      operand.kind = Operand::Kind::String;
      operand.text = Next().text;
    } else if (t.kind == TokenKind::Number || IsSymbol("-")) {
      operand.kind = Operand::Kind::Number;
      operand.number = Number();
    } else if (IsWord("count") && Peek(1).text == "(") {
      Next();
      Next();
      Expect("*");
      Expect(")");
      operand.kind = Operand::Kind::CountAll;
    } else if (IsWord("serverproperty") && Peek(1).text == "(") {
      Next();
      Next();
      operand.kind = Operand::Kind::ServerProperty;
      operand.text = StringLiteral();
      Expect(")");
    } else if (IsWord("convert") && Peek(1).text == "(") {
      // CONVERT(type[(n)], value): the value as it is.
      Next();
      Next();
      Next();
      if (Accept("(")) {
        Number();
        Expect(")");
      }
      Expect(",");
      operand = Value();
      Expect(")");
    } else if (IsWord("db_id") && Peek(1).text == "(") {
      Next();
      Next();
      operand.kind = Operand::Kind::DbIdOf;
      operand.text = StringLiteral();
      Expect(")");
    } else if (IsVariable()) {
      operand.kind = Operand::Kind::Variable;
      operand.text = DeclaredVariable();
    } else if (t.kind == TokenKind::Word || t.kind == TokenKind::QuotedIdentifier) {
      operand.kind = Operand::Kind::Column;
      operand.text = Next().text;
    } else {
      Fail();
    }
    return operand;
  }

  bool IsVariable() const { return Peek().kind == TokenKind::Word && Peek().text[0] == '@'; }
  bool IsLocalVariable() const { return IsVariable() && Peek().text.rfind("@@", 0) != 0; }

  // A variable as used: @@ functions always exist; a local one must have been declared
  // earlier in the batch, or the batch does not compile.
  std::string DeclaredVariable() {
    if (IsLocalVariable() && !m_declared.count(ToLower(Peek().text))) {
      throw SqlError(msg::MustDeclareVariable(Peek().text));
    }
    return Next().text;
  }

  // "AS name", or a bare name before the next clause.
  std::string Alias() {
    if (Accept("as")) {
      return Peek().kind == TokenKind::String ? StringLiteral() : Identifier();
    }
    if ((Peek().kind == TokenKind::Word && !IsWord("from") && !IsWord("where") &&
         !IsWord("order") && !IsVariable() && !IsStatementStart()) ||
        Peek().kind == TokenKind::QuotedIdentifier) {
      return Identifier();
    }
    return {};
  }

  SelectStatement Select() {
    Expect("select");
    SelectStatement select;
    do {
      if (Accept("*")) {
        select.columns.push_back(Operand{Operand::Kind::Column, "*", 0});
        select.aliases.emplace_back();
      } else {
        select.columns.push_back(Value());
        select.aliases.push_back(Alias());
      }
    } while (Accept(","));
    if (Accept("from")) {
      select.from = Object();
    }
    if (select.from && Accept("where")) {
      select.where = OrCondition();
    }
    if (select.from && IsWord("order")) {
      Next();
      Expect("by");
      select.orderBy = Identifier();
      if (!Accept("asc")) {
        select.descending = Accept("desc");
      }
    }
    return select;
  }

  Condition OrCondition() {
    Condition first = AndCondition();
    if (!IsWord("or")) {
      return first;
    }
    Condition either{Condition::Kind::Or, {}, {}, {}, {std::move(first)}};
    while (Accept("or")) {
      either.children.push_back(AndCondition());
    }
    return either;
  }
  Condition AndCondition() {
    Condition first = NotCondition();
    if (!IsWord("and")) {
      return first;
    }
    Condition both{Condition::Kind::And, {}, {}, {}, {std::move(first)}};
    while (Accept("and")) {
      both.children.push_back(NotCondition());
    }
    return both;
  }
  Condition NotCondition() {
    if (Accept("not")) {
      return Condition{Condition::Kind::Not, {}, {}, {}, {NotCondition()}};
    }
    if (Accept("(")) {
      Condition inner = OrCondition();
      Expect(")");
      return inner;
    }
    Condition predicate;
    predicate.left = Value();
    bool negated = Accept("not");
    if (Accept("like")) {
      predicate.kind = Condition::Kind::Like;
      predicate.values.push_back(Value());
    } else if (Accept("in")) {
      predicate.kind = Condition::Kind::In;
      Expect("(");
      do {
        predicate.values.push_back(Value());
      } while (Accept(","));
      Expect(")");
    } else if (!negated && Peek().kind == TokenKind::Symbol &&
               (IsSymbol("=") || IsSymbol("<>") || IsSymbol("!=") || IsSymbol("<") ||
                IsSymbol(">") || IsSymbol("<=") || IsSymbol(">="))) {
      predicate.kind = Condition::Kind::Compare;
      predicate.op = Next().text;
      predicate.values.push_back(Value());
    } else {
      Fail();
    }
    if (negated) {
      return Condition{Condition::Kind::Not, {}, {}, {}, {std::move(predicate)}};
    }
    return predicate;
  }

  UseStatement Use() {
    Expect("use");
    return UseStatement{Identifier()};
  }

  SetStatement Set() {
    Expect("set");
    // SET options take one or two words and a value; none changes what this server does.
    Identifier();
    while (!AtEnd() && !IsSymbol(";") && !IsStatementStart()) {
      Next();
    }
    return SetStatement{};
  }
  bool IsStatementStart() const {
    for (const char* word : {"select", "use", "set", "backup", "restore", "drop", "dbcc", "exec",
                             "execute", "declare"}) {
      if (IsWord(word)) {
        return true;
      }
    }
    return false;
  }

  std::string Disk() {
    Expect("to");
    return DiskClause();
  }
  std::string DiskClause() {
    Expect("disk");
    Expect("=");
    return StringLiteral();
  }

  // WITH options of BACKUP or RESTORE (`statement` names which, for the error); `handle`
  // consumes those the statement acts on. The other options the release knows only
  // tune the operation and are skipped with their value; a word it does not know as an
  // option fails the whole batch with 155, as the release's parser does.
  template <typename Handle>
  void WithOptions(std::string_view statement, Handle handle) {
    if (!Accept("with")) {
      return;
    }
    const bool backup = statement == "BACKUP";
    do {
      const Token& option = Peek();
      if (option.kind != TokenKind::Word) {
        Fail();
      }
      if (handle()) {
        continue;
      }
      const bool tuning =
          backup ? Listed(kBackupTuning, option.text) ||
                       (m_checksumOptions && Listed(kBackupTuningSince2005, option.text))
                 : Listed(kRestoreTuning, option.text) ||
                       (m_checksumOptions && Listed(kRestoreTuningSince2005, option.text));
      if (!tuning) {
        throw SqlError(msg::UnrecognizedOption(option.text, statement));
      }
      Next();
      if (Accept("=")) {
        Value();
      }
    } while (Accept(","));
  }

  // CHECKSUM or NO_CHECKSUM, where the release knows them.
  bool ChecksumOption(bool& checksum) {
    if (!m_checksumOptions) {
      return false;
    }
    if (Accept("checksum")) {
      checksum = true;
      return true;
    }
    if (Accept("no_checksum")) {
      checksum = false;
      return true;
    }
    return false;
  }

  // FILE = n, which backup set of the media: accepted, and set 1 is read whatever n says.
  bool FileOption() {
    if (!Accept("file")) {
      return false;
    }
    Expect("=");
    Number();
    return true;
  }

  // STATS [= n]; without a number the server reports every 10 percent.
  bool StatsOption(std::optional<int>& stats) {
    if (!Accept("stats")) {
      return false;
    }
    stats = Accept("=") ? static_cast<int>(Number()) : 10;
    return true;
  }

  Statement Backup() {
    Expect("backup");
    if (Accept("database")) {
      BackupDatabaseStatement backup;
      backup.database = Identifier();
      backup.disk = Disk();
      WithOptions("BACKUP", [&] {
        if (Accept("init")) {
          backup.init = true;
          return true;
        }
        if (Accept("noinit")) {
          backup.init = false;
          return true;
        }
        if (m_checksumOptions && Accept("copy_only")) {
          backup.copyOnly = true;
          return true;
        }
        if (Accept("compression")) {
          backup.compression = true;
          return true;
        }
        if (Accept("no_compression")) {
          backup.compression = false;
          return true;
        }
        return ChecksumOption(backup.checksum) || StatsOption(backup.stats);
      });
      return backup;
    }
    if (Accept("log") || Accept("transaction")) {
      BackupLogStatement backup;
      backup.database = Identifier();
      if (IsWord("to")) {
        backup.disk = Disk();
      }
      WithOptions("BACKUP", [&] {
        for (const char* option : {"no_log", "truncate_only"}) {
          if (Accept(option)) {
            backup.noLog = true;
            backup.noLogOption = option;
            return true;
          }
        }
        bool checksum = false;
        std::optional<int> stats;
        return Accept("init") || Accept("noinit") || (m_checksumOptions && Accept("copy_only")) ||
               ChecksumOption(checksum) || StatsOption(stats);
      });
      return backup;
    }
    Next();
    Fail();
  }

  Statement Restore() {
    Expect("restore");
    if (Accept("filelistonly")) {
      Expect("from");
      RestoreFileListStatement list{DiskClause()};
      WithOptions("RESTORE", [&] {
        bool checksum = false;
        std::optional<int> stats;
        return FileOption() || ChecksumOption(checksum) || StatsOption(stats);
      });
      return list;
    }
    if (Accept("verifyonly")) {
      Expect("from");
      RestoreVerifyStatement verify{DiskClause()};
      WithOptions("RESTORE", [&] {
        std::optional<int> stats;
        return ChecksumOption(verify.checksum) || StatsOption(stats);
      });
      return verify;
    }
    if (!Accept("database")) {
      Next();
      Fail();
    }
    RestoreDatabaseStatement restore;
    restore.database = Identifier();
    Expect("from");
    restore.disk = DiskClause();
    WithOptions("RESTORE", [&] {
      if (Accept("move")) {
        std::string logical = StringLiteral();
        Expect("to");
        restore.moves.emplace_back(logical, StringLiteral());
        return true;
      }
      if (Accept("replace")) {
        restore.replace = true;
        return true;
      }
      return FileOption() || ChecksumOption(restore.checksum) || StatsOption(restore.stats);
    });
    return restore;
  }

  Statement Drop() {
    Expect("drop");
    if (Accept("database")) {
      DropDatabaseStatement drop;
      do {
        drop.databases.push_back(Identifier());
      } while (Accept(","));
      return drop;
    }
    if (Accept("table")) {
      DropTableStatement drop;
      do {
        drop.tables.push_back(Object());
      } while (Accept(","));
      return drop;
    }
    Next();
    Fail();
  }

  // A DBCC command's database: a name, bracketed or quoted, or a database id.
  void DbccDatabase(std::string& name, std::optional<int64_t>& id) {
    if (Peek().kind == TokenKind::Number) {
      id = Number();
    } else if (Peek().kind == TokenKind::String) {
      name = StringLiteral();
    } else {
      name = Identifier();
    }
  }

  // WITH options of DBCC; true when NO_INFOMSGS is among them.
  bool DbccOptions() {
    bool noInfoMessages = false;
    if (!Accept("with")) {
      return false;
    }
    do {
      if (Accept("no_infomsgs")) {
        noInfoMessages = true;
      } else if (Peek().kind == TokenKind::Word && Listed(kDbccTuning, Peek().text)) {
        Next();
      } else {
        Fail();
      }
    } while (Accept(","));
    return noInfoMessages;
  }

  Statement Dbcc() {
    Expect("dbcc");
    if (Accept("checkdb")) {
      CheckDbStatement check;
      if (Accept("(")) {
        DbccDatabase(check.database, check.databaseId);
        if (Accept(",")) {
          Expect("noindex");
        }
        Expect(")");
      }
      check.noInfoMessages = DbccOptions();
      return check;
    }
    if (!Accept("shrinkdatabase")) {
      Next();
      Fail();
    }
    ShrinkDatabaseStatement shrink;
    Expect("(");
    DbccDatabase(shrink.database, shrink.databaseId);
    if (Accept(",")) {
      shrink.targetPercent = Number();
      if (Accept(",")) {
        Identifier();  // NOTRUNCATE or TRUNCATEONLY
      }
    }
    Expect(")");
    shrink.noInfoMessages = DbccOptions();
    return shrink;
  }

  DeclareStatement Declare() {
    Expect("declare");
    DeclareStatement declare;
    do {
      if (!IsLocalVariable()) {
        Fail();
      }
      std::string name = Next().text;
      Accept("as");
      std::string type = Identifier();
      if (Accept("(")) {
        // varchar(30), numeric(10, 2), nvarchar(max): the length does not matter here.
        while (!Accept(")")) {
          if (AtEnd()) {
            Fail();
          }
          Next();
        }
      }
      m_declared.insert(ToLower(name));
      declare.variables.push_back({name, type});
    } while (Accept(","));
    return declare;
  }

  ExecStatement Exec() {
    ExecStatement exec;
    if (IsLocalVariable() && IsSymbolAt(1, "=")) {
      exec.returnVariable = DeclaredVariable();
      Next();
    }
    exec.procedure = Object();
    if (AtEnd() || IsSymbol(";") || IsStatementStart()) {
      return exec;
    }
    do {
      std::string name;
      if (IsLocalVariable() && IsSymbolAt(1, "=")) {
        name = Next().text;
        Next();
      }
      exec.parameterNames.push_back(name);
      exec.arguments.push_back(Value());
      if (!Accept("output")) {
        Accept("out");
      }
    } while (Accept(","));
    return exec;
  }

  std::vector<Token> m_tokens;
  const bool m_checksumOptions;  // the release knows CHECKSUM, NO_CHECKSUM and COPY_ONLY
  size_t m_pos = 0;
  std::set<std::string> m_declared;  // lower-case names of the batch's variables so far
};

}  // namespace

std::vector<Statement> ParseBatch(std::string_view text, const AnsiCodePage* literalPage,
                                  Product product) {
  LexResult lexed = Tokenize(text);
  if (lexed.unclosed) {
    throw SqlError(
        {msg::UnclosedQuote(lexed.unclosedQuote), msg::IncorrectSyntax(lexed.unclosedQuote)});
  }
  if (literalPage) {
    for (Token& token : lexed.tokens) {
      if (token.kind == TokenKind::String && !token.national) {
        token.text = literalPage->Narrow(token.text);
      }
    }
  }
  return Parser(std::move(lexed.tokens), product).Batch();
}

}  // namespace testserver::sql
