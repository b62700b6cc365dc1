#include "transfer/server_transfer.h"

#include "ports/com_error.h"
#include "res/format_text.h"

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

void ServerTransfer::CreateServerFolder(SqlConnection& connection) {
  ExecuteStatement(connection, FormatText("xp_cmdshell 'mkdir %s '", {strFolder}));
  bFolderMade = true;
}

void ServerTransfer::CreateServerShare(SqlConnection& connection) {
  ExecuteStatement(connection, FormatText("xp_cmdshell 'net share %s=%s'", {strShare, strFolder}));
  bShareMade = true;
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
  ExecuteStatement(connection, FormatText("xp_cmdshell 'del %s\\*.* /q'", {strFolder}));
  ExecuteStatement(connection, FormatText("xp_cmdshell 'rmdir %s'", {strFolder}));
  bFolderMade = false;
}

void ServerTransfer::RemoveServerResources(SqlConnection& connection) {
  if (bShareMade) {
    RemoveServerShare(connection);
  }
  if (bFolderMade) {
    RemoveServerFolder(connection);
  }
}

void ServerTransfer::CleanUpAfterError(NetworkSession& network, const std::string& netServer,
                                       sql::SqlObjects& objects) noexcept {
  if (bLoggedOn) {
    CloseShareSession(network, netServer);
  }
  if (!objects.connection) {
    return;
  }
  // The run already failed; its first failure is the one the user sees. The folder is
  // still tried when the share could not be removed.
  try {
    if (bShareMade) {
      RemoveServerShare(*objects.connection);
    }
  } catch (const ComError&) {
  }
  try {
    if (bFolderMade) {
      RemoveServerFolder(*objects.connection);
    }
  } catch (const ComError&) {
  }
}

}  // namespace harrowlander
