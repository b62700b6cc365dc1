#pragma once

#include <functional>
#include <memory>
#include <string>

namespace harrowlander {

class SqlConnection;

// An informational message the server sent while it ran a statement ("30 percent
// processed."), with its number.
struct ServerMessage {
  int number = 0;
  std::string text;
};
using ServerMessageHandler = std::function<void(const ServerMessage&)>;

// A column value of the current row: SQL NULL, or the value in its text form.
struct SqlValue {
  bool isNull = false;
  std::string text;
};

// The rows of one query, all held by the object: a static, read-only cursor. Every call
// may throw ComError. Text is UTF-8.
class SqlRecordset {
 public:
  virtual ~SqlRecordset() = default;

  // Runs the query text on the open connection (static cursor, read-only, text command)
  // and positions on the first row.
  virtual void Open(const std::string& source, SqlConnection& activeConnection) = 0;
  virtual long RecordCount() = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  // True once the position is past the last row (at once for no rows).
  virtual bool IsEof() = 0;
  // The value of the named column (any letter case) in the current row.
  virtual SqlValue Collect(const std::string& column) = 0;
  virtual void Close() = 0;
};

// One connection to a SQL Server. Every call may throw ComError. Releasing the object
// without Close drops the connection.
class SqlConnection {
 public:
  virtual ~SqlConnection() = default;

  // Whole seconds; 0 means no limit. Both are set before Open; the command timeout
  // applies to every later statement and query.
  virtual void SetConnectionTimeout(int seconds) = 0;
  virtual void SetCommandTimeout(int seconds) = 0;
  // The connection string carries the credentials ("Key=Value;..." by the OLE DB rules).
  virtual void Open(const std::string& connectionString) = 0;
  // Runs one statement to its end, every result and message included. The rows of its
  // first result, if any, come back as an open recordset.
  virtual std::unique_ptr<SqlRecordset> Execute(const std::string& commandText) = 0;
  // Runs one statement as Execute does, and hands each informational message of the
  // server to `onMessage` on this thread as the server sends it, not at the end. The
  // command timeout bounds how long the server may say nothing, so a statement that
  // keeps reporting is never cut off.
  virtual std::unique_ptr<SqlRecordset> ExecuteReporting(const std::string& commandText,
                                                         const ServerMessageHandler& onMessage) {
    (void)onMessage;
    return Execute(commandText);
  }
  virtual void Close() = 0;
  // Called from another thread while Execute or a recordset's Open runs on this
  // connection: asks the server to cancel that statement, which then fails with a
  // ComError. Does nothing when no statement runs. Must not throw.
  virtual void Cancel() {}
  // The major version of the release that the server named when it accepted the log-on
  // (8: SQL Server 2000, 9: 2005, 15: 2019); 0 when it is not known. Asked after Open.
  virtual int ServerMajorVersion() { return 0; }
};

// Creates the data-access objects. Either call answers nothing when the object cannot
// be created; the core reports that at its first use.
class SqlConnectionFactory {
 public:
  virtual ~SqlConnectionFactory() = default;

  virtual std::unique_ptr<SqlConnection> CreateConnection() = 0;
  virtual std::unique_ptr<SqlRecordset> CreateRecordset() = 0;
};

}  // namespace harrowlander
