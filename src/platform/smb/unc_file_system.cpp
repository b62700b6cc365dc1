#include "platform/smb/unc_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/local_copy_endpoints.h"
#include "platform/posix/sha256.h"
#include "platform/smb/smb_copy_endpoints.h"

extern "C" {
#include <libsmbclient.h>
}

namespace harrowlander::smb {
namespace {

// Several streams, each over a connection of its own, so that the round trips of the
// network overlap: each stream has one piece on the way at a time. A piece of 1 MiB is
// one request to servers from SMB 2.1 on (Samba takes up to 8 MiB); for older ones the
// library sends it as several requests at once. It is also still in the processor's
// cache when it is written and when the copy's digest takes it: with pieces of 4 MiB
// the digest cost the copy twice the processor time and a third of its speed on
// loopback, and pieces of 2 MiB or more streams did no better. Over a link with 10 ms
// round trips the 4 MiB in flight are about as fast as smbclient, though a fifth slower
// than 16 MiB were. At most 2 * 4 pieces are held in memory (see CopyPlan).
constexpr posix::CopyPlan kNetworkPlan{1u << 20, 4};
static_assert(2 * kNetworkPlan.pieceSize * kNetworkPlan.streams <= (64u << 20));

// The folder that holds the path's file: the share itself for a file at its top.
UncPath FolderOf(UncPath path) {
  const std::size_t slash = path.rest.rfind('\\');
  path.rest = slash == std::string::npos ? "" : path.rest.substr(0, slash);
  return path;
}

}  // namespace

FileContent UncFileSystem::ReadFileContent(const std::string& path) {
  return m_local.ReadFileContent(path);
}

FileResult UncFileSystem::ReplaceFilePrivately(const std::string& path,
                                               const std::string& content) {
  return m_local.ReplaceFilePrivately(path, content);
}

FileResult UncFileSystem::MoveOver(const std::string& from, const std::string& path) {
  if (ParseUncPath(from) || ParseUncPath(path)) {
    return {false, "a file on a network share is not moved over another here"};
  }
  return m_local.MoveOver(from, path);
}

CopyOutcome UncFileSystem::CopyFile(const std::string& source, const std::string& destination,
                                    CopyObserver& observer) {
  const std::optional<UncPath> uncSource = ParseUncPath(source);
  const std::optional<UncPath> uncDestination = ParseUncPath(destination);
  if (!uncSource && !uncDestination) {
    return m_local.CopyFile(source, destination, observer);
  }
  errno = 0;
  std::unique_ptr<posix::CopySource> from =
      uncSource ? OpenSmbSource(m_client, *uncSource) : posix::OpenLocalSource(source);
  if (!from) {
    return posix::CopyFailed(posix::ErrorText(errno != 0 ? errno : ENOENT));
  }
  errno = 0;
  std::unique_ptr<posix::CopyDestination> to = uncDestination
                                                   ? CreateSmbDestination(m_client, *uncDestination)
                                                   : posix::CreateLocalDestination(destination);
  if (!to) {
    return posix::CopyFailed(posix::ErrorText(errno != 0 ? errno : EACCES));
  }
  posix::CopyPlan plan = kNetworkPlan;
  plan.reconnectWindow = m_reconnectWindow;
  return posix::CopyInPieces(*from, *to, plan, observer);
}

std::optional<std::uint64_t> UncFileSystem::FileSize(const std::string& path) {
  const std::optional<UncPath> unc = ParseUncPath(path);
  if (!unc) {
    return m_local.FileSize(path);
  }
  SMBCCTX* context = m_client.Context();
  if (context == nullptr || !m_client.HasAccount(*unc)) {
    return std::nullopt;
  }
  auto lock = SmbClient::Lock();
  struct stat info {};
  if (smbc_getFunctionStat(context)(context, SmbUrl(*unc).c_str(), &info) != 0 ||
      !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> UncFileSystem::FreeSpace(const std::string& path) {
  const std::optional<UncPath> unc = ParseUncPath(path);
  if (!unc) {
    return m_local.FreeSpace(path);
  }
  SMBCCTX* context = m_client.Context();
  if (context == nullptr || !m_client.HasAccount(*unc)) {
    return std::nullopt;
  }
  auto lock = SmbClient::Lock();
  std::string folder = SmbUrl(FolderOf(*unc));
  struct statvfs info {};
  // The library counts in the server's allocation units: f_frsize sectors of f_bsize
  // bytes, or blocks of f_bsize bytes (f_frsize 0) from a server with Unix extensions.
  // Nothing counted means the server gave no sizes.
  if (smbc_getFunctionStatVFS(context)(context, folder.data(), &info) != 0 || info.f_blocks == 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_bsize * std::max(info.f_frsize, 1ul);
}

bool UncFileSystem::DeleteFile(const std::string& path) {
  const std::optional<UncPath> unc = ParseUncPath(path);
  if (!unc) {
    return m_local.DeleteFile(path);
  }
  SMBCCTX* context = m_client.Context();
  if (context == nullptr || !m_client.HasAccount(*unc)) {
    return false;
  }
  auto lock = SmbClient::Lock();
  return smbc_getFunctionUnlink(context)(context, SmbUrl(*unc).c_str()) == 0;
}

bool UncFileSystem::CanOpenForReading(const std::string& path) {
  const std::optional<UncPath> unc = ParseUncPath(path);
  if (!unc) {
    return m_local.CanOpenForReading(path);
  }
  return OpenSmbSource(m_client, *unc) != nullptr;
}

std::optional<std::string> UncFileSystem::Sha256OfFile(const std::string& path,
                                                       const std::function<bool()>& stopRequested) {
  const std::optional<UncPath> unc = ParseUncPath(path);
  if (!unc) {
    return m_local.Sha256OfFile(path, stopRequested);
  }
  const std::unique_ptr<posix::CopySource> file = OpenSmbSource(m_client, *unc);
  if (!file) {
    return std::nullopt;
  }
  return posix::Sha256OfContent(*file, kNetworkPlan.pieceSize, stopRequested);
}

}  // namespace harrowlander::smb
