#include <unistd.h>

#include <array>
#include <cctype>

#include "platform/posix/posix_system_info.h"

namespace harrowlander::posix {

std::optional<std::string> PosixSystemInfo::ComputerName() {
  std::array<char, 256> host{};
  if (gethostname(host.data(), host.size() - 1) != 0 || host[0] == '\0') {
    return std::nullopt;
  }
  std::string name(host.data());
  name = name.substr(0, name.find('.'));
  for (char& c : name) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  constexpr std::size_t kNetworkNameLimit = 15;
  return name.substr(0, kNetworkNameLimit);
}

}  // namespace harrowlander::posix
