#pragma once

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fake_dialog_window.h"
#include "fakes/fake_process_launcher.h"
#include "fakes/fake_sql.h"
#include "platform/posix/iconv_text_codec.h"
#include "ui/platform.h"

namespace harrowlander::testing {

class FakeSystemInfo : public SystemInfo {
 public:
  std::optional<std::string> SettingsDirectory() override { return settingsDirectory; }
  std::optional<std::string> ComputerName() override { return computerName; }
  void Sleep(unsigned milliseconds) override {
    if (journal != nullptr) {
      journal->push_back("sleep " + std::to_string(milliseconds));
    }
  }

  std::optional<std::string> settingsDirectory = "/home/user/.cache/";
  std::optional<std::string> computerName = "WORKSTATION";
  std::vector<std::string>* journal = nullptr;
};

class FakeServerBrowser : public ServerBrowser {
 public:
  ServerEnumeration EnumerateSqlServers() override {
    ++calls;
    return answer;
  }

  ServerEnumeration answer;
  int calls = 0;
};

// Files kept in memory. A path listed in failWrites refuses to be replaced and keeps
// its old content.
class FakeFileSystem : public FileSystem {
 public:
  std::optional<std::string> ReadWholeFile(const std::string& path) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end()) {
      return std::nullopt;
    }
    return it->second;
  }
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override {
    ++writes;
    if (failWrites.contains(path)) {
      return {false, "No space left on device"};
    }
    files[path] = content;
    return {true, {}};
  }

  std::map<std::string, std::string> files;
  std::set<std::string> failWrites;
  int reads = 0;
  int writes = 0;
};

// Every port faked (the text codec is the real one: it is a pure function), and the
// Platform bundle that the dialog borrows. The window's events, the data-access calls
// and the pauses share one journal: window.events.
struct FakePlatform {
  FakePlatform() { system.journal = &window.events; }

  FakeDialogWindow window;
  FakeSystemInfo system;
  FakeFileSystem files;
  posix::IconvTextCodec codec;
  FakeSqlServer server{window.events};
  FakeSqlConnectionFactory sql{server};
  FakeServerBrowser browser;
  std::ostringstream standardOutput;
  std::ostringstream standardError;
  FakeProcessLauncher launcher;
  FakeClientUtility clientUtility;
  Platform ports{window,  system,         files,         codec,    sql,
                 browser, standardOutput, standardError, launcher, clientUtility};
};

}  // namespace harrowlander::testing
