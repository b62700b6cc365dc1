#include "platform/smb/smb_client.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstring>

#include "platform/smb/library_threads.h"
#include "platform/smb/smb_context.h"

namespace harrowlander::smb {
namespace {

std::mutex& ProcessLock() {
  static std::mutex lock;
  return lock;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

void SupplyAccount(SMBCCTX* context, const char* server, const char* share, char* workgroup,
                   int workgroupSize, char* user, int userSize, char* password, int passwordSize) {
  const auto* client = static_cast<const SmbClient*>(smbc_getOptionUserData(context));
  FillAccount(client->FindAccount(server, share), workgroup, workgroupSize, user, userSize,
              password, passwordSize);
}

}  // namespace

std::optional<UncPath> ParseUncPath(const std::string& path) {
  if (!path.starts_with("\\\\")) {
    return std::nullopt;
  }
  const std::size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) {
    return std::nullopt;
  }
  const std::size_t shareEnd = path.find('\\', serverEnd + 1);
  UncPath unc;
  unc.server = path.substr(2, serverEnd - 2);
  unc.share = path.substr(
      serverEnd + 1, shareEnd == std::string::npos ? std::string::npos : shareEnd - serverEnd - 1);
  unc.rest = shareEnd == std::string::npos ? "" : path.substr(shareEnd + 1);
  if (unc.share.empty()) {
    return std::nullopt;
  }
  return unc;
}

std::string SmbUrl(const UncPath& path) {
  auto append = [](std::string& url, const std::string& part) {
    static const char* kHex = "0123456789ABCDEF";
    for (unsigned char c : part) {
      if (c == '\\') {
        url += '/';
      } else if (std::isalnum(c) || (c != 0 && std::strchr("-._~$!&'()+,;=@", c) != nullptr)) {
        url += static_cast<char>(c);
      } else {
        url += '%';
        url += kHex[c >> 4];
        url += kHex[c & 15];
      }
    }
  };
  std::string url = "smb://";
  append(url, path.server);
  url += '/';
  append(url, path.share);
  if (!path.rest.empty()) {
    url += '/';
    append(url, path.rest);
  }
  return url;
}

SmbClient::SmbClient(int port) : m_port(port) {
  auto lock = Lock();
  EnableLibraryThreads();
  m_context = NewSmbContext(port, this, SupplyAccount);
  if (m_context == nullptr) {
    return;
  }
  // The highest dialect both sides offer: old Windows hosts speak only SMB1 (NT1).
  // The library holds this for every context of the process.
  smbc_setOptionProtocols(m_context, "NT1", "SMB3");
}

SmbClient::~SmbClient() {
  auto lock = Lock();
  if (m_context != nullptr) {
    smbc_free_context(m_context, 1);
  }
}

std::unique_lock<std::mutex> SmbClient::Lock() {
  return std::unique_lock<std::mutex>(ProcessLock());
}

std::unique_lock<std::mutex> SmbClient::LockForContextCall() {
  return LibraryThreadsEnabled() ? std::unique_lock<std::mutex>() : Lock();
}

std::unique_lock<std::mutex> SmbClient::LockForConnecting(const std::string& server) {
  unsigned char address[sizeof(in6_addr)];
  const bool isAddress = inet_pton(AF_INET, server.c_str(), address) == 1 ||
                         inet_pton(AF_INET6, server.c_str(), address) == 1;
  return isAddress ? LockForContextCall() : Lock();
}

std::string SmbClient::Key(const std::string& server, const std::string& share) {
  return Lower(server) + "\\" + Lower(share);
}

void SmbClient::SetAccount(const UncPath& share, Account account) {
  m_accounts[Key(share.server, share.share)] = std::move(account);
}

bool SmbClient::ForgetAccount(const UncPath& share) {
  return m_accounts.erase(Key(share.server, share.share)) > 0;
}

bool SmbClient::HasAccount(const UncPath& path) const {
  return FindAccount(path.server, path.share) != nullptr;
}

const SmbClient::Account* SmbClient::FindAccount(const std::string& server,
                                                 const std::string& share) const {
  auto it = m_accounts.find(Key(server, share));
  return it == m_accounts.end() ? nullptr : &it->second;
}

void SmbClient::DropConnections() {
  if (m_context != nullptr) {
    smbc_getFunctionPurgeCachedServers(m_context)(m_context);
  }
}

}  // namespace harrowlander::smb
