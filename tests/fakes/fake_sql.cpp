#include "fakes/fake_sql.h"

#include <strings.h>

#include "ports/com_error.h"

namespace harrowlander::testing {
namespace {

constexpr std::int32_t kServerError = static_cast<std::int32_t>(0x80040E14);

// `name` says which object a journal line is about: "recordset" for the one the
// factory made, "result" for the rows a statement returned.
class FakeRecordset : public SqlRecordset {
 public:
  FakeRecordset(FakeSqlServer& server, std::string name)
      : m_server(server), m_name(std::move(name)) {}
  FakeRecordset(FakeSqlServer& server, std::string name, FakeRows rows)
      : m_server(server), m_name(std::move(name)), m_rows(std::move(rows)) {}
  ~FakeRecordset() override { m_server.journal.push_back("release " + m_name); }

  void Open(const std::string& source, SqlConnection&) override {
    Record("open " + source);
    auto it = m_server.answers.find(source);
    m_rows = it == m_server.answers.end() ? FakeRows{} : it->second;
    m_position = 0;
  }
  long RecordCount() override {
    Record("count");
    return static_cast<long>(m_rows.rows.size());
  }
  void MoveFirst() override {
    Record("move first");
    m_position = 0;
  }
  void MoveNext() override {
    Record("move next");
    if (IsAtEnd()) {
      throw ComError(kServerError, "Either BOF or EOF is True.");
    }
    ++m_position;
  }
  bool IsEof() override {
    Record("eof");
    return IsAtEnd();
  }
  SqlValue Collect(const std::string& column) override {
    Record("collect " + column);
    if (IsAtEnd()) {
      throw ComError(kServerError, "Either BOF or EOF is True.");
    }
    for (size_t i = 0; i < m_rows.columns.size(); ++i) {
      if (strcasecmp(m_rows.columns[i].c_str(), column.c_str()) == 0) {
        const auto& cell = m_rows.rows[m_position][i];
        return cell ? SqlValue{false, *cell} : SqlValue{true, {}};
      }
    }
    throw ComError(kServerError, "Item cannot be found in the collection.");
  }
  void Close() override { Record("close"); }

 private:
  bool IsAtEnd() const { return m_position >= m_rows.rows.size(); }
  void Record(const std::string& what) { m_server.Record(m_name + " " + what); }

  FakeSqlServer& m_server;
  std::string m_name;
  FakeRows m_rows;
  size_t m_position = 0;
};

class FakeConnection : public SqlConnection {
 public:
  explicit FakeConnection(FakeSqlServer& server) : m_server(server) {}
  ~FakeConnection() override { m_server.journal.push_back("release connection"); }

  void SetConnectionTimeout(int seconds) override {
    m_server.Record("connection timeout " + std::to_string(seconds));
  }
  void SetCommandTimeout(int seconds) override {
    m_server.Record("command timeout " + std::to_string(seconds));
  }
  void Open(const std::string& connectionString) override {
    m_server.Record("connection open " + connectionString);
  }
  std::unique_ptr<SqlRecordset> Execute(const std::string& commandText) override {
    return Run(commandText, {});
  }
  std::unique_ptr<SqlRecordset> ExecuteReporting(const std::string& commandText,
                                                 const ServerMessageHandler& onMessage) override {
    return Run(commandText, onMessage);
  }
  void Close() override { m_server.Record("connection close"); }
  int ServerMajorVersion() override { return m_server.majorVersion; }
  void Cancel() override {
    m_server.journal.push_back("cancel");
    if (m_server.onCancel) {
      m_server.onCancel();
    }
  }

 private:
  std::unique_ptr<SqlRecordset> Run(const std::string& commandText,
                                    const ServerMessageHandler& onMessage) {
    m_server.Record("execute " + commandText);
    if (auto sent = m_server.messages.find(commandText);
        onMessage && sent != m_server.messages.end()) {
      for (const ServerMessage& message : sent->second) {
        onMessage(message);
      }
    }
    if (m_server.whileRunning) {
      m_server.whileRunning(commandText);
    }
    if (auto turns = m_server.answersInTurn.find(commandText);
        turns != m_server.answersInTurn.end() && !turns->second.empty()) {
      FakeRows rows = std::move(turns->second.front());
      turns->second.erase(turns->second.begin());
      return std::make_unique<FakeRecordset>(m_server, "result", std::move(rows));
    }
    auto it = m_server.answers.find(commandText);
    return std::make_unique<FakeRecordset>(m_server, "result",
                                           it == m_server.answers.end() ? FakeRows{} : it->second);
  }

  FakeSqlServer& m_server;
};

}  // namespace

void FakeSqlServer::Record(const std::string& line) {
  journal.push_back(line);
  for (const auto& [prefix, description] : failures) {
    if (line.starts_with(prefix)) {
      throw ComError(kServerError, description);
    }
  }
}

std::unique_ptr<SqlConnection> FakeSqlConnectionFactory::CreateConnection() {
  if (real != nullptr) {
    return real->CreateConnection();
  }
  m_server.journal.push_back("create connection");
  if (m_server.connectionCreationFails) {
    return nullptr;
  }
  return std::make_unique<FakeConnection>(m_server);
}

std::unique_ptr<SqlRecordset> FakeSqlConnectionFactory::CreateRecordset() {
  if (real != nullptr) {
    return real->CreateRecordset();
  }
  m_server.journal.push_back("create recordset");
  if (m_server.recordsetCreationFails) {
    return nullptr;
  }
  return std::make_unique<FakeRecordset>(m_server, "recordset");
}

}  // namespace harrowlander::testing
