#include "transfer/transfer_session.h"

#include <vector>

#include "res/ascii_case.h"
#include "sql/shell_path.h"
#include "transfer/transfer_folder_files.h"
#include "transfer/transfer_lock.h"
#include "transfer/transfer_texts.h"

namespace harrowlander {
namespace {

// With no command timeout, a run waits this long for another run to finish.
constexpr int kUnlimitedWaitSeconds = 600;
// The clean-up over a new connection waits this long for the lock, which the server
// frees once it has noticed that the run's own connection is gone.
constexpr int kCleanUpLockWaitSeconds = 10;

std::string FileNameOf(const std::string& serverPath) {
  return serverPath.substr(serverPath.rfind('\\') + 1);
}

}  // namespace

TransferSession::TransferSession(ServerTransfer& transfer, sql::SqlObjects& objects,
                                 Platform& platform, StopRequest& stop,
                                 const sql::ServerLogin& login, std::string netServer,
                                 ShowStatus showStatus)
    : m_transfer(transfer),
      m_objects(objects),
      m_platform(platform),
      m_stop(stop),
      m_login(login),
      m_netServer(std::move(netServer)),
      m_showStatus(std::move(showStatus)) {}

TransferSession::~TransferSession() {
  if (!m_finished) {
    CleanUpAfterError();
  }
}

std::string TransferSession::PrepareFolder(const std::string& transferFile) {
  return PrepareFolder(std::vector<std::string>{transferFile});
}

std::string TransferSession::PrepareFolder(const std::vector<std::string>& transferFiles) {
  SqlConnection& connection = m_objects.Connection();
  const int waitSeconds =
      m_login.commandTimeout > 0 ? m_login.commandTimeout : kUnlimitedWaitSeconds;
  if (!TakeTransferLock(connection, m_platform.system, m_stop, waitSeconds,
                        [this] { m_showStatus(TransferBusyText(m_netServer)); })) {
    return TransferStillBusyText(m_netServer, waitSeconds);
  }
  m_transfer.bLockHeld = true;

  std::string said;
  switch (m_transfer.CreateServerFolder(connection, said)) {
    case ServerTransfer::Folder::kRefused:
      return FolderRefusedText(m_transfer, said);
    case ServerTransfer::Folder::kMade:
      m_transfer.AdoptFolder(connection, false);
      return {};
    case ServerTransfer::Folder::kThere:
      break;
  }
  // A folder that was there is this tool's when an earlier run marked it; with the lock
  // held, what that run left is stale. Any other folder is used as it is.
  const std::vector<std::string> files = ListFolderFiles(connection, m_transfer.strFolder);
  bool marked = false;
  for (const std::string& name : files) {
    marked = marked || EqualsIgnoringAsciiCase(name, FileNameOf(m_transfer.MarkerPath()));
  }
  if (!marked) {
    for (const std::string& name : files) {
      for (const std::string& transferFile : transferFiles) {
        if (EqualsIgnoringAsciiCase(name, FileNameOf(transferFile))) {
          return FileInTheWayText(m_transfer, name);
        }
      }
    }
    return {};
  }
  m_transfer.AdoptFolder(connection, true);
  for (const std::string& name : files) {
    const std::string path = m_transfer.strFolder + "\\" + name;
    if (HasOurNaming(name) && path != m_transfer.MarkerPath() && sql::IsShellSafePath(path)) {
      m_transfer.DeleteServerFile(connection, path);
    }
  }
  return {};
}

std::string TransferSession::PrepareShare(const std::string& user, const std::string& password) {
  SqlConnection& connection = m_objects.Connection();
  if (const std::string said = m_transfer.CreateServerShare(connection); !said.empty()) {
    // The name is taken: by this tool's own share of the folder, which an earlier run
    // left (used, and taken down at the end), or by another folder's (left alone).
    const std::string sharedFolder = m_transfer.SharedFolder(connection);
    if (!EqualsIgnoringAsciiCase(sharedFolder, m_transfer.strFolder)) {
      return sharedFolder.empty() ? ShareRefusedText(m_transfer, said)
                                  : ShareElsewhereText(m_transfer, said, sharedFolder);
    }
    m_transfer.bShareMade = true;
  }
  if (!m_transfer.OpenShareSession(m_platform.network, m_netServer, user, password)) {
    return ShareLogOnFailedText(m_platform.network, m_netServer);
  }
  return {};
}

void TransferSession::NoteFile(const std::string& serverPath) {
  m_transfer.MarkFileMade(serverPath);
}

void TransferSession::NoteLeftover(const std::string& networkPath) {
  if (const std::string serverPath = m_transfer.ServerViewOf(networkPath);
      !serverPath.empty() && sql::IsShellSafePath(serverPath)) {
    m_transfer.MarkFileMade(serverPath);
  }
}

void TransferSession::LogOff() {
  if (m_transfer.bLoggedOn) {
    m_transfer.CloseShareSession(m_platform.network, m_netServer);
  }
}

int TransferSession::Finish(int result) {
  m_stop.BeginCleanUp();
  LogOff();
  SqlConnection& connection = m_objects.Connection();
  m_transfer.RemoveServerResources(connection);
  if (m_transfer.bLockHeld) {
    ReleaseTransferLock(connection);
    m_transfer.bLockHeld = false;
  }
  sql::CloseServerConnection(m_objects);
  m_finished = true;
  return result;
}

// The connection is released without Close by the operation afterwards; the server
// then frees the lock.
void TransferSession::CleanUpAfterError() noexcept {
  m_stop.BeginCleanUp();
  try {
    if (m_stop.IsStopping()) {
      m_showStatus(kStoppingText);
    }
  } catch (const std::exception&) {
  }
  LogOff();
  if (m_objects.connection &&
      (!m_transfer.AnythingToTakeDown() || m_transfer.TakeDownOn(*m_objects.connection))) {
    try {
      if (m_transfer.bLockHeld) {
        ReleaseTransferLock(*m_objects.connection);
      }
    } catch (const std::exception&) {
    }
    return;
  }
  if (m_transfer.AnythingToTakeDown()) {
    CleanUpOverNewConnection();
  }
}

// What the run's connection could not take down (it may be the connection that
// failed: a server that stopped answering, a dropped link) is tried once more over a
// new one, under the lock: without it, another run may be using the folder by now,
// and that run clears what this one left.
void TransferSession::CleanUpOverNewConnection() noexcept {
  try {
    if (m_objects.connection && m_transfer.bLockHeld) {
      ReleaseTransferLock(*m_objects.connection);  // when only a clean-up step was refused
    }
  } catch (const std::exception&) {
  }
  try {
    sql::SqlObjects fresh;
    SqlConnection& connection = sql::OpenServerConnection(
        m_platform.sql, m_login, fresh, sql::kMasterCatalog, sql::WithRecordset::kNo);
    if (!TakeTransferLock(connection, m_platform.system, m_stop, kCleanUpLockWaitSeconds, [] {})) {
      return;
    }
    m_transfer.TakeDownOn(connection);
    ReleaseTransferLock(connection);
    sql::CloseServerConnection(fresh);
  } catch (const std::exception&) {
  }
}

}  // namespace harrowlander
