// Shares made with "net share". Each is recorded in shares.txt of the state
// directory (name, server path, local folder, tab-separated) and, when a publisher is
// set, published so that SMB clients can reach the folder.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace testserver {

struct Share {
  std::string name;
  std::string serverPath;
  std::filesystem::path folder;
};

class Shares {
 public:
  // Called with add=true to publish and add=false to withdraw; returns success.
  using Publisher = std::function<bool(const Share& share, bool add)>;

  explicit Shares(Publisher publisher) : m_publisher(std::move(publisher)) {}

  // Starts the record afresh: shares do not outlive the server.
  void SetRecordFile(std::filesystem::path file) {
    m_recordFile = std::move(file);
    Record();
  }
  std::optional<Share> Find(const std::string& name) const;
  bool Add(const Share& share);
  bool Remove(const std::string& name);
  // Withdraws every share, as the server's shares vanish with the machine.
  void Clear();

 private:
  void Record() const;

  Publisher m_publisher;
  std::filesystem::path m_recordFile;
  std::map<std::string, Share> m_shares;  // key: lower-case name
};

}  // namespace testserver
