#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ports/client_utility.h"
#include "ports/process_launcher.h"

namespace harrowlander::testing {

// Records every program started; starts fail for the paths listed in missing. A
// program that started also goes to the journal, and runs `onStart` (its effect on the
// files) with the command line; it then exits with exitCode.
class FakeProcessLauncher : public ProcessLauncher {
 public:
  struct Start {
    std::string applicationPath;
    std::string commandLine;
    ExtraEnvironment environment;
  };

  bool CommandLinesAreVisibleToOthers() const override { return commandLinesVisible; }

  std::optional<int> Run(const std::string& applicationPath, const std::string& commandLine,
                         const ExtraEnvironment& environment) override {
    starts.push_back({applicationPath, commandLine, environment});
    for (const std::string& path : missing) {
      if (path == applicationPath) {
        return std::nullopt;
      }
    }
    if (journal != nullptr) {
      journal->push_back("start " + applicationPath + commandLine);
    }
    if (onStart) {
      onStart(commandLine);
    }
    return exitCode;
  }

  std::vector<Start> starts;
  // As on Windows: the archiver's password stays on its command line.
  bool commandLinesVisible = false;
  std::vector<std::string> missing;
  int exitCode = 0;
  std::function<void(const std::string&)> onStart;
  std::vector<std::string>* journal = nullptr;
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
