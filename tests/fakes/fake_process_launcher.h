#pragma once

#include <string>
#include <vector>

#include "ports/client_utility.h"
#include "ports/process_launcher.h"

namespace harrowlander::testing {

// Records every program started; starts fail for the paths listed in missing.
class FakeProcessLauncher : public ProcessLauncher {
 public:
  struct Start {
    std::string applicationPath;
    std::string commandLine;
  };

  bool StartAndWait(const std::string& applicationPath, const std::string& commandLine) override {
    starts.push_back({applicationPath, commandLine});
    for (const std::string& path : missing) {
      if (path == applicationPath) {
        return false;
      }
    }
    return true;
  }

  std::vector<Start> starts;
  std::vector<std::string> missing;
};

class FakeClientUtility : public ClientUtility {
 public:
  ProgramInvocation Prepare() override {
    ++prepared;
    return invocation;
  }

  ProgramInvocation invocation{"/usr/bin/xdg-open", " \"/home/user/.freetds.conf\""};
  int prepared = 0;
};

}  // namespace harrowlander::testing
