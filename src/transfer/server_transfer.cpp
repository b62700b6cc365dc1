#include "transfer/server_transfer.h"

#include <memory>
#include <vector>

#include "ports/com_error.h"
#include "res/ascii_case.h"
#include "res/format_text.h"
#include "sql/sql_escape.h"
#include "transfer/shell_output.h"

namespace harrowlander {

using sql::ExecuteStatement;

namespace {

constexpr const char* kMarkerName = "Harrowlander.transfer";

// A Windows path in a line of a command's output: from a drive letter's "X:\" on.
std::string WindowsPathIn(const std::string& line) {
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    const unsigned char drive = static_cast<unsigned char>(line[i]);
    const bool letter = (drive | 0x20) >= 'a' && (drive | 0x20) <= 'z';
    if (letter && line[i + 1] == ':' && line[i + 2] == '\\' &&
        (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      std::string path = line.substr(i);
      path.erase(path.find_last_not_of(" \t") + 1);
      return path;
    }
  }
  return {};
}

}  // namespace

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

std::string ServerTransfer::ServerViewOf(const std::string& networkPath) const {
  // "\\server\share\name": the part after the share's name.
  const std::size_t shareStart = networkPath.find('\\', 2);
  if (networkPath.rfind("\\\\", 0) != 0 || shareStart == std::string::npos) {
    return {};
  }
  const std::size_t nameStart = networkPath.find('\\', shareStart + 1);
  if (nameStart == std::string::npos ||
      !EqualsIgnoringAsciiCase(networkPath.substr(shareStart + 1, nameStart - shareStart - 1),
                               strShare)) {
    return {};
  }
  return strFolder + networkPath.substr(nameStart);
}

std::string ServerTransfer::MarkerPath() const {
  return strFolder + "\\" + kMarkerName;
}

// mkdir prints nothing when it made the folder. The shell's messages are in the
// server's language; the one that names the folder says it was already there, any
// other is a refusal.
ServerTransfer::Folder ServerTransfer::CreateServerFolder(SqlConnection& connection,
                                                          std::string& said) {
  const std::vector<std::string> output =
      ShellOutput(connection, FormatText("xp_cmdshell 'mkdir %s '", {strFolder}));
  said = JoinedOutput(output);
  if (output.empty()) {
    bFolderMade = true;
    return Folder::kMade;
  }
  return MentionsIgnoringCase(output, strFolder) ? Folder::kThere : Folder::kRefused;
}

void ServerTransfer::AdoptFolder(SqlConnection& connection, bool markerThere) {
  bFolderMade = true;
  if (!markerThere) {
    ExecuteStatement(
        connection,
        FormatText("xp_cmdshell 'echo Harrowlander transfer folder> \"%s\"'", {MarkerPath()}));
  }
  bMarkerMade = true;
}

// net share names the share when it made it, in every language; its refusals do not.
std::string ServerTransfer::CreateServerShare(SqlConnection& connection) {
  const std::vector<std::string> output =
      ShellOutput(connection, FormatText("xp_cmdshell 'net share %s=%s'", {strShare, strFolder}));
  if (!MentionsIgnoringCase(output, strShare)) {
    return JoinedOutput(output);
  }
  bShareMade = true;
  return {};
}

// The share's settings, one a line, in the server's language: the folder is the one
// value that is a Windows path.
std::string ServerTransfer::SharedFolder(SqlConnection& connection) {
  for (const std::string& line :
       ShellOutput(connection, FormatText("xp_cmdshell 'net share %s'", {strShare}))) {
    if (std::string path = WindowsPathIn(line); !path.empty()) {
      return path;
    }
  }
  return {};
}

void ServerTransfer::MarkFileMade(const std::string& serverPath) {
  for (const std::string& file : strFiles) {
    if (EqualsIgnoringAsciiCase(file, serverPath)) {
      return;
    }
  }
  strFiles.push_back(serverPath);
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

void ServerTransfer::DeleteServerFile(SqlConnection& connection, const std::string& serverPath) {
  ExecuteStatement(connection,
                   "xp_cmdshell " + sql::Literal(FormatText("del \"%s\" /q", {serverPath})));
}

void ServerTransfer::RemoveServerFolder(SqlConnection& connection) {
  while (!strFiles.empty()) {
    DeleteServerFile(connection, strFiles.front());
    strFiles.erase(strFiles.begin());
  }
  if (bMarkerMade) {
    DeleteServerFile(connection, MarkerPath());
    bMarkerMade = false;
  }
  if (bFolderMade) {
    ExecuteStatement(connection, FormatText("xp_cmdshell 'rmdir %s'", {strFolder}));
    bFolderMade = false;
  }
}

bool ServerTransfer::AnythingToTakeDown() const {
  return bShareMade || !strFiles.empty() || bMarkerMade || bFolderMade;
}

void ServerTransfer::RemoveServerResources(SqlConnection& connection) {
  if (bShareMade) {
    RemoveServerShare(connection);
  }
  if (!strFiles.empty() || bMarkerMade || bFolderMade) {
    RemoveServerFolder(connection);
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
    if (!strFiles.empty() || bMarkerMade || bFolderMade) {
      RemoveServerFolder(connection);
    }
  } catch (const std::exception&) {
  }
  return !AnythingToTakeDown();
}

}  // namespace harrowlander
