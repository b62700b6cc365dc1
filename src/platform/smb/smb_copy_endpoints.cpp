#include "platform/smb/smb_copy_endpoints.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libsmbclient.h>
}

namespace harrowlander::smb {
namespace {

class SmbSource : public posix::CopySource {
 public:
  SmbSource(SMBCCTX* context, SMBCFILE* file, std::uint64_t size)
      : m_context(context), m_file(file), m_size(size) {}
  ~SmbSource() override {
    auto lock = SmbClient::Lock();
    smbc_getFunctionClose(m_context)(m_context, m_file);
  }

  std::uint64_t Size() const override { return m_size; }
  long Read(char* buffer, std::size_t size) override {
    auto lock = SmbClient::Lock();
    return smbc_getFunctionRead(m_context)(m_context, m_file, buffer, size);
  }

 private:
  SMBCCTX* m_context;
  SMBCFILE* m_file;
  std::uint64_t m_size;
};

class SmbDestination : public posix::CopyDestination {
 public:
  SmbDestination(SMBCCTX* context, SMBCFILE* file, std::string partUrl, std::string url)
      : m_context(context), m_file(file), m_partUrl(std::move(partUrl)), m_url(std::move(url)) {}
  ~SmbDestination() override {
    auto lock = SmbClient::Lock();
    if (m_file != nullptr) {
      smbc_getFunctionClose(m_context)(m_context, m_file);
    }
    if (!m_committed) {
      smbc_getFunctionUnlink(m_context)(m_context, m_partUrl.c_str());
    }
  }

  bool Write(const char* data, std::size_t size) override {
    auto lock = SmbClient::Lock();
    while (size > 0) {
      const ssize_t written = smbc_getFunctionWrite(m_context)(m_context, m_file, data, size);
      if (written <= 0) {
        return false;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
    return true;
  }
  bool Commit() override {
    auto lock = SmbClient::Lock();
    SMBCFILE* file = m_file;
    m_file = nullptr;
    if (smbc_getFunctionClose(m_context)(m_context, file) != 0) {
      return false;
    }
    // An existing destination is replaced by the rename.
    if (smbc_getFunctionRename(m_context)(m_context, m_partUrl.c_str(), m_context, m_url.c_str()) !=
        0) {
      return false;
    }
    m_committed = true;
    return true;
  }

 private:
  SMBCCTX* m_context;
  SMBCFILE* m_file;
  std::string m_partUrl;
  std::string m_url;
  bool m_committed = false;
};

}  // namespace

std::unique_ptr<posix::CopySource> OpenSmbSource(SmbClient& client, const UncPath& path) {
  SMBCCTX* context = client.Context();
  if (context == nullptr || !client.HasAccount(path)) {
    return nullptr;
  }
  auto lock = SmbClient::Lock();
  SMBCFILE* file = smbc_getFunctionOpen(context)(context, SmbUrl(path).c_str(), O_RDONLY, 0);
  if (file == nullptr) {
    return nullptr;
  }
  struct stat info {};
  if (smbc_getFunctionFstat(context)(context, file, &info) != 0 || !S_ISREG(info.st_mode)) {
    smbc_getFunctionClose(context)(context, file);
    return nullptr;
  }
  lock.unlock();
  return std::make_unique<SmbSource>(context, file, static_cast<std::uint64_t>(info.st_size));
}

// ".name.<pid>-<n>.part" in the destination's folder.
std::unique_ptr<posix::CopyDestination> CreateSmbDestination(SmbClient& client,
                                                             const UncPath& path) {
  SMBCCTX* context = client.Context();
  if (context == nullptr || !client.HasAccount(path) || path.rest.empty()) {
    return nullptr;
  }
  const std::size_t slash = path.rest.rfind('\\');
  const std::string folder = slash == std::string::npos ? "" : path.rest.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path.rest : path.rest.substr(slash + 1);
  static unsigned counter = 0;
  auto lock = SmbClient::Lock();
  for (int attempt = 0; attempt < 100; ++attempt) {
    UncPath part = path;
    part.rest = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                std::to_string(counter++) + ".part";
    const std::string partUrl = SmbUrl(part);
    SMBCFILE* file =
        smbc_getFunctionOpen(context)(context, partUrl.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (file != nullptr) {
      lock.unlock();
      return std::make_unique<SmbDestination>(context, file, partUrl, SmbUrl(path));
    }
    if (errno != EEXIST) {
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace harrowlander::smb
