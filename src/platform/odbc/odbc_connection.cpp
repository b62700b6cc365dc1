#include "platform/odbc/odbc_connection.h"

#include "platform/odbc/encryption_failure.h"
#include "platform/odbc/odbc_connection_string.h"
#include "platform/odbc/odbc_recordset.h"
#include "platform/odbc/utf16_text.h"
#include "ports/com_error.h"

namespace harrowlander::odbc {
namespace {

constexpr std::int32_t kClosedError = static_cast<std::int32_t>(0x800A0E78);

// Bounds on reading a batch's results: a connection that died mid-result makes the
// driver answer every further call with an error instead of the end of results.
constexpr int kMaxResults = 1 << 16;

SQLPOINTER IntegerAttribute(SQLULEN value) {
  return reinterpret_cast<SQLPOINTER>(value);
}

std::string Seconds(int seconds) {
  return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace

OdbcConnection::OdbcConnection(std::shared_ptr<OdbcHandle> environment,
                               std::vector<std::string> installedDrivers,
                               std::shared_ptr<ServerDrivers> drivers)
    : m_environment(std::move(environment)),
      m_installedDrivers(std::move(installedDrivers)),
      m_drivers(std::move(drivers)) {}

OdbcConnection::~OdbcConnection() {
  if (m_open) {
    SQLDisconnect(m_connection.get());
  }
}

void OdbcConnection::SetConnectionTimeout(int seconds) {
  m_connectionTimeout = seconds;
}

void OdbcConnection::SetCommandTimeout(int seconds) {
  m_commandTimeout = seconds;
}

void OdbcConnection::Open(const std::string& connectionString) {
  if (m_open) {
    throw ComError(kClosedError, "Operation is not allowed when the object is open.");
  }
  const std::string named = DataSourceOf(connectionString).asNamed;
  const std::optional<OdbcDriver> driver = m_drivers->For(named, m_installedDrivers);
  if (!driver) {
    throw ComError(hresult::kFail, "No ODBC driver for SQL Server is installed. Install one of: " +
                                       KnownDriverNames() + ".");
  }
  std::vector<DiagRecord> failure;
  if (Connect(connectionString, *driver, failure)) {
    return;
  }
  if (const auto older = m_drivers->AfterRefusal(named, *driver, failure, m_installedDrivers);
      older && Connect(connectionString, *older, failure)) {
    return;
  }
  FailConnecting(std::move(failure));
}

bool OdbcConnection::Connect(const std::string& connectionString, const OdbcDriver& driver,
                             std::vector<DiagRecord>& failure) {
  DataSource target;
  std::u16string odbcString =
      Utf8ToUtf16(BuildOdbcConnectionString(connectionString, driver, target));
  m_server = driver.kind == DriverKind::kMicrosoft
                 ? target.asNamed
                 : target.server + (target.port ? "," + std::to_string(*target.port) : "");
  m_triedDriver = driver;
  m_target = target;

  SQLHANDLE handle = SQL_NULL_HANDLE;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, m_environment->get(), &handle))) {
    failure = ReadDiagnostics(*m_environment);
    return false;
  }
  m_connection = OdbcHandle(SQL_HANDLE_DBC, handle);
  // 0 means no limit, for the driver as for the dialog.
  SQLSetConnectAttrW(m_connection.get(), SQL_ATTR_LOGIN_TIMEOUT,
                     IntegerAttribute(static_cast<SQLULEN>(m_connectionTimeout)), 0);
  const SQLRETURN rc = SQLDriverConnectW(m_connection.get(), nullptr, Wide(odbcString), SQL_NTS,
                                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) {
    failure = ReadDiagnostics(m_connection);
    m_connection = OdbcHandle();
    return false;
  }
  m_open = true;
  m_dead = false;
  return true;
}

std::unique_ptr<SqlRecordset> OdbcConnection::Execute(const std::string& commandText) {
  return std::make_unique<OdbcRecordset>(Run(commandText));
}

std::unique_ptr<SqlRecordset> OdbcConnection::ExecuteReporting(
    const std::string& commandText, const ServerMessageHandler& onMessage) {
  return std::make_unique<OdbcRecordset>(Run(commandText, onMessage));
}

void OdbcConnection::Close() {
  if (!m_open) {
    throw ComError(kClosedError, "Operation is not allowed when the object is closed.");
  }
  m_open = false;
  SQLDisconnect(m_connection.get());
  m_connection = OdbcHandle();
}

int OdbcConnection::ServerMajorVersion() {
  if (!m_open) {
    return 0;
  }
  // "08.00.2039", as the server's log-on acknowledgement named its release.
  SQLWCHAR version[64] = {};
  SQLSMALLINT length = 0;
  if (!Succeeded(SQLGetInfoW(m_connection.get(), SQL_DBMS_VER, version, sizeof version, &length))) {
    return 0;
  }
  int major = 0;
  for (const SQLWCHAR* c = version; *c >= '0' && *c <= '9'; ++c) {
    major = major * 10 + (*c - '0');
  }
  return major;
}

void OdbcConnection::Cancel() {
  std::lock_guard<std::mutex> lock(m_statementLock);
  if (m_running != SQL_NULL_HANDLE) {
    SQLCancel(m_running);
  }
}

namespace {

// The statement's thread lets go of the lock while it waits for the server, so that a
// cancel can reach the statement then, and only then.
template <typename Call>
SQLRETURN WaitingForTheServer(std::unique_lock<std::mutex>& lock, Call call) {
  lock.unlock();
  const SQLRETURN rc = call();
  lock.lock();
  return rc;
}

}  // namespace

BufferedRows OdbcConnection::Run(const std::string& text, const ServerMessageHandler& onMessage) {
  RequireUsable();
  std::unique_lock<std::mutex> lock(m_statementLock);
  SQLHANDLE handle = SQL_NULL_HANDLE;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, m_connection.get(), &handle))) {
    FailRunning(m_connection);
  }
  OdbcHandle statement(SQL_HANDLE_STMT, handle);
  SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                  IntegerAttribute(static_cast<SQLULEN>(m_commandTimeout)), 0);
  m_running = statement.get();
  struct NotRunning {
    SQLHSTMT& running;
    ~NotRunning() { running = SQL_NULL_HANDLE; }
  } notRunning{m_running};

  std::u16string batch = Utf8ToUtf16(text);
  BufferedRows rows;
  SQLRETURN rc = WaitingForTheServer(
      lock, [&] { return SQLExecDirectW(statement.get(), Wide(batch), SQL_NTS); });
  for (int results = 0; rc != SQL_NO_DATA; ++results) {
    if (!Succeeded(rc) || results == kMaxResults) {
      // What the server reported before it failed still counts (a check's summary
      // comes with the errors it found).
      if (rc == SQL_ERROR && onMessage) {
        HandOverMessages(statement, onMessage, lock);
      }
      FailRunning(statement);
    }
    if (rc == SQL_SUCCESS_WITH_INFO && onMessage) {
      HandOverMessages(statement, onMessage, lock);
    }
    CaptureRows(statement, rows, lock);
    rc = WaitingForTheServer(lock, [&] { return SQLMoreResults(statement.get()); });
  }
  return rows;
}

// The server's informational messages of the last call. The handler runs without the
// statement's lock: it may take its time, and a cancel may come meanwhile.
void OdbcConnection::HandOverMessages(const OdbcHandle& statement,
                                      const ServerMessageHandler& onMessage,
                                      std::unique_lock<std::mutex>& lock) {
  std::vector<ServerMessage> messages;
  for (const DiagRecord& record : ReadDiagnostics(statement)) {
    if (IsServerMessage(record) && record.sqlState.starts_with("01")) {
      messages.push_back({static_cast<int>(record.nativeError), record.message});
    }
  }
  lock.unlock();
  for (const ServerMessage& message : messages) {
    onMessage(message);
  }
  lock.lock();
}

void OdbcConnection::CaptureRows(const OdbcHandle& statement, BufferedRows& rows,
                                 std::unique_lock<std::mutex>& lock) {
  SQLSMALLINT columnCount = 0;
  if (!Succeeded(SQLNumResultCols(statement.get(), &columnCount))) {
    FailRunning(statement);
  }
  if (columnCount <= 0 || !rows.columns.empty()) {
    return;  // no rows here, or not the first result set: the driver skips them
  }
  for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columnCount); ++c) {
    std::u16string name(256, u'\0');
    SQLSMALLINT nameLength = 0, dataType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    if (!Succeeded(SQLDescribeColW(statement.get(), c, Wide(name),
                                   static_cast<SQLSMALLINT>(name.size()), &nameLength, &dataType,
                                   &size, &digits, &nullable))) {
      FailRunning(statement);
    }
    name.resize(std::min(name.size(), static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0))));
    rows.columns.push_back(Utf16ToUtf8(name));
  }
  for (;;) {
    const SQLRETURN fetched = WaitingForTheServer(lock, [&] { return SQLFetch(statement.get()); });
    if (fetched == SQL_NO_DATA) {
      return;
    }
    if (!Succeeded(fetched)) {
      FailRunning(statement);
    }
    std::vector<SqlValue>& row = rows.rows.emplace_back();
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columnCount); ++c) {
      SqlValue value;
      std::u16string text;
      for (;;) {
        char16_t chunk[512];
        SQLLEN indicator = 0;
        const SQLRETURN got =
            SQLGetData(statement.get(), c, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
        if (got == SQL_NO_DATA) {
          break;
        }
        if (!Succeeded(got)) {
          FailRunning(statement);
        }
        if (indicator == SQL_NULL_DATA) {
          value.isNull = true;
          break;
        }
        const size_t capacity = sizeof chunk / sizeof(char16_t) - 1;
        const size_t units =
            indicator == SQL_NO_TOTAL || indicator / 2 > static_cast<SQLLEN>(capacity)
                ? capacity
                : static_cast<size_t>(indicator) / sizeof(char16_t);
        text.append(chunk, units);
        if (got == SQL_SUCCESS) {
          break;
        }
      }
      value.text = Utf16ToUtf8(text);
      row.push_back(std::move(value));
    }
  }
}

void OdbcConnection::RequireUsable() const {
  if (!m_open) {
    throw ComError(kClosedError, "Operation is not allowed when the object is closed.");
  }
  if (m_dead) {
    throw ComError(hresult::kFail, "The connection to SQL Server " + m_server + " was lost.");
  }
}

void OdbcConnection::FailConnecting(std::vector<DiagRecord> records) {
  m_connection = OdbcHandle();
  std::string description = FirstServerError(records);
  if (description.empty() && !HasState(records, "HYT00") && m_triedDriver) {
    description =
        DescribeEncryptionFailure(*m_triedDriver, m_target, m_server, m_connectionTimeout, records);
  }
  if (!description.empty()) {
  } else if (HasState(records, "HYT00")) {
    description = "Login timeout expired: SQL Server " + m_server + " did not answer within " +
                  Seconds(m_connectionTimeout) + ".";
  } else if (HasState(records, "08001") || HasState(records, "08S01")) {
    description = "Cannot connect to SQL Server " + m_server +
                  ": it does not exist, is not running, or cannot be reached.";
  } else if (!records.empty() && !records.front().message.empty()) {
    description = records.front().message;
  } else {
    description = "Cannot connect to SQL Server " + m_server + ".";
  }
  throw ComError(hresult::kFail, description);
}

void OdbcConnection::FailRunning(const OdbcHandle& statement) {
  std::vector<DiagRecord> records = ReadDiagnostics(statement);
  SQLULEN dead = SQL_CD_FALSE;
  if (Succeeded(
          SQLGetConnectAttrW(m_connection.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
      dead == SQL_CD_TRUE) {
    m_dead = true;
  }
  std::string description = FirstServerError(records);
  if (!description.empty()) {
  } else if (m_dead) {
    description = "The connection to SQL Server " + m_server + " was lost.";
  } else if (HasState(records, "HYT00")) {
    description = "Query timeout expired: the statement did not finish within " +
                  Seconds(m_commandTimeout) + ".";
  } else if (!records.empty() && !records.front().message.empty()) {
    description = records.front().message;
  } else {
    description = "SQL Server " + m_server + " reported a failure without a description.";
  }
  throw ComError(hresult::kFail, description);
}

}  // namespace harrowlander::odbc
