// A FreeTDS/ODBC client for the tests: connects, runs a batch and collects every
// result set and diagnostic record, as a real client of the server sees them.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct Diagnostic {
  std::string state;
  long native = 0;
  std::string message;
};

struct Rows {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

struct Outcome {
  SQLRETURN rc = SQL_ERROR;  // of SQLExecDirect
  std::vector<Rows> results;
  std::vector<Diagnostic> diagnostics;  // from every call, in order
  bool Failed() const { return rc == SQL_ERROR; }
  bool HasNative(long number) const;
  std::string Messages() const;  // all texts, one per line, for assertions and failures
};

class OdbcClient {
 public:
  OdbcClient();
  ~OdbcClient();
  OdbcClient(const OdbcClient&) = delete;
  OdbcClient& operator=(const OdbcClient&) = delete;

  // False when the login failed; diagnostics then hold the reasons.
  bool Connect(int port, const std::string& user, const std::string& password,
               const std::string& database = "master");
  bool ConnectWith(std::string connectionString);
  // `afterEachCall` sees the outcome so far after SQLExecDirect and after every
  // SQLMoreResults, as the answer streams in.
  Outcome Execute(const std::string& sql, int queryTimeoutSeconds = 0,
                  const std::function<void(const Outcome&)>& afterEachCall = {});
  // SQLCancel of the statement Execute runs, from another thread while Execute waits
  // inside a call (FreeTDS is not safe against a cancel between calls).
  void Cancel();
  // Executes without reading the results, then closes the statement, which makes
  // the client cancel with an ATTENTION while the server is idle.
  SQLRETURN ExecuteAndAbandon(const std::string& sql);
  bool Dead();
  // SQL_DBMS_VER: the release the server's LOGINACK named, as "08.00.2039".
  std::string DbmsVersion();

  const std::vector<Diagnostic>& LoginDiagnostics() const { return m_loginDiagnostics; }

 private:
  SQLHENV m_env = SQL_NULL_HENV;
  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_connected = false;
  std::atomic<SQLHSTMT> m_running{SQL_NULL_HSTMT};
  std::vector<Diagnostic> m_loginDiagnostics;
};

// The first column of every row of the first result set.
std::vector<std::string> FirstColumn(const Outcome& outcome);
