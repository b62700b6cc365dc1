#include "parser.h"

#include <set>

#include "../server/messages.h"
#include "../text.h"
#include "lexer.h"

namespace testserver::sql {

namespace {

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

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

  // WITH options of BACKUP and RESTORE; `handle` consumes those it knows.
  template <typename Handle>
  void WithOptions(Handle handle) {
    if (!Accept("with")) {
      return;
    }
    do {
      const Token& option = Peek();
      if (option.kind != TokenKind::Word) {
        Fail();
      }
      if (!handle()) {
        // Options that only tune the operation: STATS [= n], NAME = '...', and the like.
        std::string word = ToLower(Next().text);
        if (word != "stats" && word != "name" && word != "description" && word != "nounload" &&
            word != "skip" && word != "noskip" && word != "noformat" && word != "format" &&
            word != "recovery" && word != "checksum") {
          m_pos--;
          Fail();
        }
        if (Accept("=")) {
          Value();
        }
      }
    } while (Accept(","));
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
      WithOptions([&] {
        if (Accept("init")) {
          backup.init = true;
          return true;
        }
        if (Accept("noinit")) {
          backup.init = false;
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
        return StatsOption(backup.stats);
      });
      return backup;
    }
    if (Accept("log") || Accept("transaction")) {
      BackupLogStatement backup;
      backup.database = Identifier();
      if (IsWord("to")) {
        backup.disk = Disk();
      }
      WithOptions([&] {
        for (const char* option : {"no_log", "truncate_only"}) {
          if (Accept(option)) {
            backup.noLog = true;
            backup.noLogOption = option;
            return true;
          }
        }
        return Accept("init") || Accept("noinit");
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
      WithOptions([&] { return Accept("file") && Accept("=") && (Number(), true); });
      return list;
    }
    if (Accept("verifyonly")) {
      Expect("from");
      RestoreVerifyStatement verify{DiskClause()};
      WithOptions([] { return false; });
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
    WithOptions([&] {
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
      if (Accept("file")) {
        Expect("=");
        Number();
        return true;
      }
      return StatsOption(restore.stats);
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

  Statement Dbcc() {
    Expect("dbcc");
    if (!Accept("shrinkdatabase")) {
      Next();
      Fail();
    }
    ShrinkDatabaseStatement shrink;
    Expect("(");
    if (Peek().kind == TokenKind::Number) {
      shrink.databaseId = Number();
    } else if (Peek().kind == TokenKind::String) {
      shrink.database = StringLiteral();
    } else {
      shrink.database = Identifier();
    }
    if (Accept(",")) {
      shrink.targetPercent = Number();
      if (Accept(",")) {
        Identifier();  // NOTRUNCATE or TRUNCATEONLY
      }
    }
    Expect(")");
    WithOptions([] { return false; });
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
  size_t m_pos = 0;
  std::set<std::string> m_declared;  // lower-case names of the batch's variables so far
};

}  // namespace

std::vector<Statement> ParseBatch(std::string_view text, const AnsiCodePage* literalPage) {
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
  return Parser(std::move(lexed.tokens)).Batch();
}

}  // namespace testserver::sql
