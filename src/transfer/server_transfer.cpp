#include "transfer/server_transfer.h"

#include <memory>
#include <vector>

#include "ports/com_error.h"
#include "res/ascii_case.h"
#include "res/format_text.h"
#include "sql/sql_escape.h"

namespace harrowlander {

using sql::ExecuteStatement;

std::string ServerTransfer::ServerFilePath(const std::string& database) const {
  return FormatText("%s\\%s.bak", {strFolder, database});
}

std::string ServerTransfer::NetworkFilePath(const std::string& netServer,
                                            const std::string& database) const {
  return FormatText("\\\\%s\\%s\\%s.bak", {netServer, strShare, database});
}

std::string ServerTransfer::SharePath(const std::string& netServer) const {
  return FormatText("\\\\%s\\%s", {netServer, strShare});
}

namespace {

// The lines a shell command printed, without the empty row that ends them.
std::vector<std::string> ShellOutput(SqlConnection& connection, const std::string& statement) {
  std::unique_ptr<SqlRecordset> rows = sql::ExecuteForRows(connection, statement);
  std::vector<std::string> lines;
  for (; !rows->IsEof(); rows->MoveNext()) {
    SqlValue line = rows->Collect("output");
    if (!line.isNull && !line.text.empty()) {
      lines.push_back(std::move(line.text));
    }
  }
  rows->Close();
  return lines;
}

bool Mentions(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    if (ContainsIgnoringAsciiCase(line, name)) {
      return true;
    }
  }
  return false;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += (text.empty() ? "" : " ") + line;
  }
  return text.empty() ? "(no output)" : text;
}

}  // namespace

// mkdir prints nothing when it made the folder. The shell's messages are in the
// server's language; the one that names the folder says it was already there, any
// other is a refusal.
std::string ServerTransfer::CreateServerFolder(SqlConnection& connection) {
  const std::vector<std::string> output =
      ShellOutput(connection, FormatText("xp_cmdshell 'mkdir %s '", {strFolder}));
  if (output.empty()) {
    bFolderMade = true;
    return {};
  }
  return Mentions(output, strFolder) ? std::string() : Joined(output);
}

// net share names the share when it made it, in every language; its refusals do not.
std::string ServerTransfer::CreateServerShare(SqlConnection& connection) {
  const std::vector<std::string> output =
      ShellOutput(connection, FormatText("xp_cmdshell 'net share %s=%s'", {strShare, strFolder}));
  if (!Mentions(output, strShare)) {
    return Joined(output);
  }
  bShareMade = true;
  return {};
}

void ServerTransfer::MarkFileMade(const std::string& database) {
  strFile = ServerFilePath(database);
  bFileMade = true;
}

bool ServerTransfer::OpenShareSession(NetworkSession& network, const std::string& netServer,
                                      const std::string& user, const std::string& password) {
  if (user.empty()) {
    return true;
  }
  // A connection this workstation still holds to the server would answer for the
  // log-on without checking the account.
  network.DeleteNetUse("\\\\" + netServer + "\\IPC$");
  bLoggedOn = network.AddNetUse(SharePath(netServer), user, password);
  return bLoggedOn;
}

void ServerTransfer::CloseShareSession(NetworkSession& network, const std::string& netServer) {
  network.DeleteNetUse(SharePath(netServer));
  bLoggedOn = false;
}

void ServerTransfer::RemoveServerShare(SqlConnection& connection) {
  ExecuteStatement(connection, FormatText("xp_cmdshell 'net share %s /del'", {strShare}));
  bShareMade = false;
}

void ServerTransfer::RemoveServerFolder(SqlConnection& connection) {
  if (bFileMade) {
    ExecuteStatement(connection,
                     "xp_cmdshell " + sql::Literal(FormatText("del \"%s\" /q", {strFile})));
    bFileMade = false;
  }
  if (bFolderMade) {
    ExecuteStatement(connection, FormatText("xp_cmdshell 'rmdir %s'", {strFolder}));
    bFolderMade = false;
  }
}

void ServerTransfer::RemoveServerResources(SqlConnection& connection) {
  if (bShareMade) {
    RemoveServerShare(connection);
  }
  if (bFileMade || bFolderMade) {
    RemoveServerFolder(connection);
  }
}

void ServerTransfer::CleanUpAfterError(NetworkSession& network, const std::string& netServer,
                                       sql::SqlObjects& objects,
                                       const Reconnect& reconnect) noexcept {
  if (bLoggedOn) {
    CloseShareSession(network, netServer);
  }
  if (!bShareMade && !bFileMade && !bFolderMade) {
    return;
  }
  if (objects.connection && TakeDownOn(*objects.connection)) {
    return;
  }
  if (!reconnect) {
    return;
  }
  try {
    sql::SqlObjects fresh;
    if (TakeDownOn(reconnect(fresh))) {
      sql::CloseServerConnection(fresh);
    }
  } catch (const std::exception&) {
  }
}

// The folder is still tried when the share could not be removed.
bool ServerTransfer::TakeDownOn(SqlConnection& connection) noexcept {
  try {
    if (bShareMade) {
      RemoveServerShare(connection);
    }
  } catch (const std::exception&) {
  }
  try {
    if (bFileMade || bFolderMade) {
      RemoveServerFolder(connection);
    }
  } catch (const std::exception&) {
  }
  return !bShareMade && !bFileMade && !bFolderMade;
}

}  // namespace harrowlander
