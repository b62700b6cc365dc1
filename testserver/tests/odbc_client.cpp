#include "odbc_client.h"

namespace {

void Collect(SQLSMALLINT type, SQLHANDLE handle, std::vector<Diagnostic>& into) {
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLCHAR text[2048] = {0};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(
            SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length))) {
      return;
    }
    into.push_back(
        Diagnostic{reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text)});
  }
}

void ReadRows(SQLHSTMT stmt, SQLSMALLINT columns, Outcome& outcome) {
  Rows rows;
  for (SQLSMALLINT c = 1; c <= columns; ++c) {
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(stmt, c, name, sizeof name, &length, &type, &size, &digits, &nullable);
    rows.columns.push_back(reinterpret_cast<char*>(name));
  }
  SQLRETURN rc;
  while ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
    if (!SQL_SUCCEEDED(rc)) {
      Collect(SQL_HANDLE_STMT, stmt, outcome.diagnostics);
      break;
    }
    auto& row = rows.rows.emplace_back();
    for (SQLSMALLINT c = 1; c <= columns; ++c) {
      char value[4096];
      SQLLEN indicator = 0;
      SQLGetData(stmt, c, SQL_C_CHAR, value, sizeof value, &indicator);
      row.push_back(indicator == SQL_NULL_DATA ? std::nullopt : std::optional<std::string>(value));
    }
  }
  outcome.results.push_back(std::move(rows));
}

}  // namespace

bool Outcome::HasNative(long number) const {
  for (const auto& d : diagnostics) {
    if (d.native == number) {
      return true;
    }
  }
  return false;
}

std::string Outcome::Messages() const {
  std::string out;
  for (const auto& d : diagnostics) {
    out += d.state + " " + std::to_string(d.native) + " " + d.message + "\n";
  }
  return out;
}

OdbcClient::OdbcClient() {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
  SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
}

OdbcClient::~OdbcClient() {
  if (m_connected) {
    SQLDisconnect(m_dbc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

bool OdbcClient::Connect(int port, const std::string& user, const std::string& password,
                         const std::string& database) {
  return ConnectWith("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
                     ";UID=" + user + ";PWD=" + password + ";DATABASE=" + database +
                     ";TDS_Version=7.4;ClientCharset=UTF-8");
}

bool OdbcClient::ConnectWith(std::string connectionString) {
  SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
  SQLRETURN rc =
      SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(connectionString.data()), SQL_NTS,
                       nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  Collect(SQL_HANDLE_DBC, m_dbc, m_loginDiagnostics);
  m_connected = SQL_SUCCEEDED(rc);
  return m_connected;
}

Outcome OdbcClient::Execute(const std::string& sql, int queryTimeoutSeconds,
                            const std::function<void(const Outcome&)>& afterEachCall) {
  Outcome outcome;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
  SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                 reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(queryTimeoutSeconds)), 0);
  std::string text = sql;
  m_running = stmt;
  outcome.rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
  Collect(SQL_HANDLE_STMT, stmt, outcome.diagnostics);
  if (afterEachCall) {
    afterEachCall(outcome);
  }
  SQLRETURN rc = outcome.rc;
  // Bounded: a dead connection makes SQLMoreResults fail for ever.
  for (int round = 0; round < 64 && rc != SQL_NO_DATA && rc != SQL_ERROR; ++round) {
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    if (columns > 0) {
      ReadRows(stmt, columns, outcome);
    }
    rc = SQLMoreResults(stmt);
    if (rc != SQL_NO_DATA) {
      Collect(SQL_HANDLE_STMT, stmt, outcome.diagnostics);
    }
    if (afterEachCall) {
      afterEachCall(outcome);
    }
  }
  m_running = SQL_NULL_HSTMT;
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return outcome;
}

void OdbcClient::Cancel() {
  if (SQLHSTMT stmt = m_running) {
    SQLCancel(stmt);
  }
}

SQLRETURN OdbcClient::ExecuteAndAbandon(const std::string& sql) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
  std::string text = sql;
  SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
  SQLRETURN rc = SQLFreeStmt(stmt, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return rc;
}

bool OdbcClient::Dead() {
  SQLUINTEGER dead = 0;
  SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  return dead == SQL_CD_TRUE;
}

std::string OdbcClient::DbmsVersion() {
  char version[64] = "";
  SQLSMALLINT length = 0;
  SQLGetInfo(m_dbc, SQL_DBMS_VER, version, sizeof version, &length);
  return version;
}

std::vector<std::string> FirstColumn(const Outcome& outcome) {
  std::vector<std::string> values;
  if (!outcome.results.empty()) {
    for (const auto& row : outcome.results.front().rows) {
      values.push_back(row[0].value_or("NULL"));
    }
  }
  return values;
}
