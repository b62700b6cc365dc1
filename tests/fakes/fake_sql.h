#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/sql_connection.h"

namespace harrowlander::testing {

// The rows a query or statement answers with; a cell of nullopt is SQL NULL.
struct FakeRows {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// A scripted server behind the fake connections, and the journal of every data-access
// call, one readable line each ("execute drop database [x] ", "recordset eof", ...; a
// cancel from another thread is "cancel").
// The journal is shared with the fake window so that one timeline shows both.
struct FakeSqlServer {
  explicit FakeSqlServer(std::vector<std::string>& journal) : journal(journal) {}

  // Appends the line, then throws the scripted failure of the first entry of `failures`
  // whose key begins the line.
  void Record(const std::string& line);

  std::vector<std::string>& journal;
  std::map<std::string, FakeRows> answers;  // by statement or query text
  // Answers given in turn, before `answers` takes over, by statement text.
  std::map<std::string, std::vector<FakeRows>> answersInTurn;
  // Called as a statement runs (after its journal line): another thread's doings
  // while the server works on it.
  std::function<void(const std::string&)> whileRunning;
  // Called on the cancelling thread when a statement is cancelled.
  std::function<void()> onCancel;
  // The informational messages a statement sends while it runs, by statement text.
  std::map<std::string, std::vector<ServerMessage>> messages;
  std::map<std::string, std::string> failures;  // journal-line prefix -> description
  int majorVersion = 8;  // the release named at log-on: SQL Server 2000
  bool connectionCreationFails = false;
  bool recordsetCreationFails = false;
};

class FakeSqlConnectionFactory : public SqlConnectionFactory {
 public:
  explicit FakeSqlConnectionFactory(FakeSqlServer& server) : m_server(server) {}

  std::unique_ptr<SqlConnection> CreateConnection() override;
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

  // When set, the objects come from this factory instead (integration tests run the
  // dialog on the real data layer this way).
  SqlConnectionFactory* real = nullptr;

 private:
  FakeSqlServer& m_server;
};

}  // namespace harrowlander::testing
