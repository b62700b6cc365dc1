// Where the played server's Windows paths live on this machine: each drive letter is
// a folder of the state directory, and names match without regard to case as on
// Windows. Absolute POSIX paths stand as they are, as on a Linux-hosted server.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace testserver {

class PathMap {
 public:
  explicit PathMap(std::filesystem::path root) : m_root(std::move(root)) {}

  // nullopt for a path the server could not open (relative, UNC, empty).
  std::optional<std::filesystem::path> Map(std::string_view serverPath) const;
  const std::filesystem::path& Root() const { return m_root; }

 private:
  std::filesystem::path m_root;
};

}  // namespace testserver
