#include "platform/smb/unc_file_system.h"

#include <fcntl.h>

#include "platform/posix/local_copy_endpoints.h"
#include "platform/smb/smb_copy_endpoints.h"

extern "C" {
#include <libsmbclient.h>
}

namespace harrowlander::smb {
namespace {

// Several streams, each over a connection of its own, so that the round trips of the
// network overlap: each stream has one piece on the way at a time. A piece of 4 MiB is
// one request to servers whose largest read or write is at least that (Samba's is
// 8 MiB, as is that of recent Windows servers); for others the library sends it as
// several requests at once. More streams or larger pieces cost connections and memory
// without gaining speed in our measurements: 16 MiB in flight at most.
constexpr posix::CopyPlan kNetworkPlan{4u << 20, 4};
static_assert(kNetworkPlan.pieceSize * kNetworkPlan.streams <= (64u << 20));

}  // namespace

std::optional<std::string> UncFileSystem::ReadWholeFile(const std::string& path) {
  return m_local.ReadWholeFile(path);
}

FileResult UncFileSystem::ReplaceFilePrivately(const std::string& path,
                                               const std::string& content) {
  return m_local.ReplaceFilePrivately(path, content);
}

bool UncFileSystem::CopyFile(const std::string& source, const std::string& destination,
                             const CopyProgressCallback& progress) {
  const std::optional<UncPath> uncSource = ParseUncPath(source);
  const std::optional<UncPath> uncDestination = ParseUncPath(destination);
  if (!uncSource && !uncDestination) {
    return m_local.CopyFile(source, destination, progress);
  }
  std::unique_ptr<posix::CopySource> from =
      uncSource ? OpenSmbSource(m_client, *uncSource) : posix::OpenLocalSource(source);
  if (!from) {
    return false;
  }
  std::unique_ptr<posix::CopyDestination> to = uncDestination
                                                   ? CreateSmbDestination(m_client, *uncDestination)
                                                   : posix::CreateLocalDestination(destination);
  if (!to) {
    return false;
  }
  return posix::CopyInPieces(*from, *to, kNetworkPlan, progress);
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

}  // namespace harrowlander::smb
