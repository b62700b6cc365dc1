#pragma once

#include <string>

namespace harrowlander {

struct ProgramInvocation {
  std::string applicationPath;
  std::string commandLine;  // without the program's name in front
};

// The system's own tool for configuring how SQL clients reach their servers.
class ClientUtility {
 public:
  virtual ~ClientUtility() = default;

  // The program to start and its command line, with whatever it opens made ready.
  virtual ProgramInvocation Prepare() = 0;
};

}  // namespace harrowlander
