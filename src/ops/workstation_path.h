#pragma once

#include <string>
#include <string_view>

namespace harrowlander {

// The directory separator of this workstation's own paths. Server and UNC paths are
// Windows paths whatever the workstation is.
#ifdef _WIN32
inline constexpr char kWorkstationSeparator = '\\';
#else
inline constexpr char kWorkstationSeparator = '/';
#endif

inline bool HasDirectorySeparator(std::string_view path) {
  return path.find(kWorkstationSeparator) != std::string_view::npos;
}

// The name and extension, without the folder.
inline std::string FileNameOf(std::string_view path) {
  return std::string(path.substr(path.rfind(kWorkstationSeparator) + 1));
}

}  // namespace harrowlander
