// A private smbd on 127.0.0.1 and a free port, with registry shares enabled and
// the account root/kPassword, for checking that "net share" really publishes.
#pragma once

#include <sys/types.h>

#include <string>

#include "server_process.h"

class SambaFixture {
 public:
  SambaFixture();
  ~SambaFixture();
  SambaFixture(const SambaFixture&) = delete;
  SambaFixture& operator=(const SambaFixture&) = delete;

  static bool Available();
  bool Running() const { return m_pid > 0; }
  std::string ConfFile() const { return (m_dir.Path() / "etc" / "smb.conf").string(); }
  // Runs an smbclient command on //127.0.0.1/SHARE; returns its output.
  std::string Client(const std::string& share, const std::string& command) const;

  static constexpr const char* kPassword = "Sh4re!pw";

 private:
  ScratchDir m_dir;
  int m_port = 0;
  pid_t m_pid = -1;
};
