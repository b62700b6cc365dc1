// SELECT over the system tables and user tables, and SELECT of constants without FROM.
#include <algorithm>

#include "../sql/like.h"
#include "../text.h"
#include "executors.h"
#include "messages.h"
#include "system_tables.h"

namespace testserver {

namespace {

using sql::Condition;
using sql::Operand;

// A value that does not depend on a row: a literal, db_id(), a variable.
Cell Constant(const ServerState& state, const SessionState& session, BatchContext& batch,
              const Operand& operand) {
  if (operand.kind == Operand::Kind::Number) {
    return operand.number;
  }
  if (operand.kind == Operand::Kind::String) {
    return operand.text;
  }
  if (operand.kind == Operand::Kind::DbIdOf) {
    auto db = state.catalog.Find(operand.text);
    return db ? Cell{int64_t{db->dbid}} : Cell{};
  }
  if (operand.kind == Operand::Kind::CountAll) {
    return int64_t{1};
  }
  if (operand.kind == Operand::Kind::ServerProperty) {
    // What a tool asks to learn the release and edition (sql_variant there, text here).
    if (EqualsNoCase(operand.text, "ProductVersion")) {
      return std::string(DescribeProduct(state.product).productVersion);
    }
    if (EqualsNoCase(operand.text, "EngineEdition")) {
      return std::string("3");  // Enterprise
    }
    if (EqualsNoCase(operand.text, "Edition")) {
      return std::string("Enterprise Edition");
    }
    return Cell{};
  }
  if (operand.kind == Operand::Kind::Variable) {
    if (EqualsNoCase(operand.text, "@@spid")) {
      return int64_t{session.spid};
    }
    if (EqualsNoCase(operand.text, "@@servername")) {
      return state.serverName;
    }
    if (EqualsNoCase(operand.text, "@@version")) {
      return std::string(DescribeProduct(state.product).banner);
    }
    if (Variable* variable = batch.Find(operand.text)) {
      return variable->value;
    }
  }
  throw SqlError(msg::InvalidColumn(operand.text));
}

struct Evaluator {
  ServerState& state;
  const SessionState& session;
  BatchContext& batch;
  const ResultSet& table;

  int ColumnIndex(const std::string& name) const {
    for (size_t i = 0; i < table.columns.size(); ++i) {
      if (EqualsNoCase(table.columns[i].name, name)) {
        return static_cast<int>(i);
      }
    }
    throw SqlError(msg::InvalidColumn(name));
  }

  Cell Value(const Operand& operand, const Row& row) const {
    switch (operand.kind) {
      case Operand::Kind::String:
        return operand.text;
      case Operand::Kind::Number:
        return operand.number;
      case Operand::Kind::DbIdOf: {
        auto db = state.catalog.Find(operand.text);
        return db ? Cell{int64_t{db->dbid}} : Cell{};
      }
      case Operand::Kind::Column:
        return row[ColumnIndex(operand.text)];
      case Operand::Kind::Variable:
        return Constant(state, session, batch, operand);
      case Operand::Kind::CountAll:
        return Cell{};
      case Operand::Kind::ServerProperty:
        return Constant(state, session, batch, operand);
    }
    return Cell{};
  }

  // Three-valued comparison collapsed to "true or not", as WHERE uses it.
  static std::optional<int> Compare(const Cell& a, const Cell& b) {
    if (!a || !b) {
      return std::nullopt;
    }
    auto* an = std::get_if<int64_t>(&*a);
    auto* bn = std::get_if<int64_t>(&*b);
    if (an && bn) {
      return *an < *bn ? -1 : (*an > *bn ? 1 : 0);
    }
    auto text = [](const Cell& c) {
      if (auto* n = std::get_if<int64_t>(&*c)) {
        return std::to_string(*n);
      }
      // Trailing blanks do not count when the default collation compares.
      std::string s = std::get<std::string>(*c);
      while (!s.empty() && s.back() == ' ') {
        s.pop_back();
      }
      return s;
    };
    std::string x = text(a), y = text(b);
    if (EqualsNoCase(x, y)) {
      return 0;
    }
    return LessNoCase(x, y) ? -1 : 1;
  }

  bool Test(const Condition& c, const Row& row) const {
    switch (c.kind) {
      case Condition::Kind::And:
        return std::all_of(c.children.begin(), c.children.end(),
                           [&](const Condition& child) { return Test(child, row); });
      case Condition::Kind::Or:
        return std::any_of(c.children.begin(), c.children.end(),
                           [&](const Condition& child) { return Test(child, row); });
      case Condition::Kind::Not:
        return !Test(c.children.front(), row);
      case Condition::Kind::Like: {
        Cell value = Value(c.left, row);
        Cell pattern = Value(c.values.front(), row);
        if (!value || !pattern || !std::holds_alternative<std::string>(*value) ||
            !std::holds_alternative<std::string>(*pattern)) {
          return false;
        }
        return sql::Like(std::get<std::string>(*value), std::get<std::string>(*pattern));
      }
      case Condition::Kind::In: {
        Cell value = Value(c.left, row);
        return std::any_of(c.values.begin(), c.values.end(),
                           [&](const Operand& v) { return Compare(value, Value(v, row)) == 0; });
      }
      case Condition::Kind::Compare: {
        auto order = Compare(Value(c.left, row), Value(c.values.front(), row));
        if (!order) {
          return false;
        }
        if (c.op == "=")
          return *order == 0;
        if (c.op == "<>" || c.op == "!=")
          return *order != 0;
        if (c.op == "<")
          return *order < 0;
        if (c.op == ">")
          return *order > 0;
        if (c.op == "<=")
          return *order <= 0;
        return *order >= 0;
      }
    }
    return false;
  }
};

// Which database a name such as sysfiles, dbo.sysfiles or [db].dbo.sysfiles refers to.
DatabaseEntry TargetDatabase(ServerState& state, const SessionState& session,
                             const sql::ObjectName& name) {
  std::string database = name.database.empty() ? session.database : name.database;
  auto entry = state.catalog.Find(database);
  if (!entry) {
    throw SqlError(msg::NoSuchDatabase(database));
  }
  return *entry;
}

// The type of a constant column: a variable's declared one, else the value's.
ColumnType TypeOf(BatchContext& batch, const Operand& operand, const Cell& value) {
  if (Variable* variable = batch.Find(operand.text);
      variable && operand.kind == Operand::Kind::Variable) {
    return variable->type;
  }
  return value && std::holds_alternative<int64_t>(*value) ? ColumnType::Int : ColumnType::NVarChar;
}

std::string AliasOf(const sql::SelectStatement& s, size_t column) {
  return column < s.aliases.size() ? s.aliases[column] : std::string();
}

StatementResult SelectConstants(ServerState& state, const SessionState& session,
                                BatchContext& batch, const sql::SelectStatement& s) {
  ResultSet rows;
  Row row;
  for (size_t i = 0; i < s.columns.size(); ++i) {
    Cell value = Constant(state, session, batch, s.columns[i]);
    rows.columns.push_back(Column{AliasOf(s, i), TypeOf(batch, s.columns[i], value), 4000, true});
    row.push_back(value);
  }
  rows.rows.push_back(std::move(row));
  StatementResult result;
  result.rows = std::move(rows);
  return result;
}

}  // namespace

StatementResult RunSelect(ServerState& state, SessionState& session, const sql::SelectStatement& s,
                          BatchContext& batch) {
  if (!s.from) {
    return SelectConstants(state, session, batch, s);
  }
  const sql::ObjectName& name = *s.from;
  DatabaseEntry database = TargetDatabase(state, session, name);
  std::optional<ResultSet> table;
  if (name.owner.empty() || EqualsNoCase(name.owner, "dbo")) {
    table = SystemTable(state, database, name.object);
    if (!table) {
      table = UserTable(state, database, name.object);
    }
  }
  if (!table) {
    throw SqlError(msg::InvalidObject(name.written));
  }
  Evaluator evaluate{state, session, batch, *table};

  std::vector<Row> kept;
  for (const Row& row : table->rows) {
    if (!s.where || evaluate.Test(*s.where, row)) {
      kept.push_back(row);
    }
  }
  if (s.orderBy) {
    int index = evaluate.ColumnIndex(*s.orderBy);
    std::stable_sort(kept.begin(), kept.end(), [&](const Row& a, const Row& b) {
      auto order = Evaluator::Compare(a[index], b[index]);
      return order && (s.descending ? *order > 0 : *order < 0);
    });
  }

  bool counting = std::any_of(s.columns.begin(), s.columns.end(),
                              [](const Operand& c) { return c.kind == Operand::Kind::CountAll; });
  if (counting) {
    if (s.columns.size() != 1) {
      throw SqlError(msg::NotInGroupBy());
    }
    StatementResult result;
    result.rows = ResultSet{{Column{AliasOf(s, 0), ColumnType::Int, 4, true}},
                            {{Cell{static_cast<int64_t>(kept.size())}}}};
    return result;
  }
  ResultSet out;
  std::vector<int> picked;
  for (size_t c = 0; c < s.columns.size(); ++c) {
    const Operand& column = s.columns[c];
    if (column.kind == Operand::Kind::Column && column.text == "*") {
      for (size_t i = 0; i < table->columns.size(); ++i) {
        out.columns.push_back(table->columns[i]);
        picked.push_back(static_cast<int>(i));
      }
    } else if (column.kind == Operand::Kind::Column) {
      int index = evaluate.ColumnIndex(column.text);
      out.columns.push_back(table->columns[index]);
      if (!AliasOf(s, c).empty()) {
        out.columns.back().name = AliasOf(s, c);
      }
      picked.push_back(index);
    } else {
      throw SqlError(msg::IncorrectSyntax(column.text));
    }
  }
  for (const Row& row : kept) {
    Row projected;
    for (int index : picked) {
      projected.push_back(row[index]);
    }
    out.rows.push_back(std::move(projected));
  }
  StatementResult result;
  result.rows = std::move(out);
  return result;
}

}  // namespace testserver
