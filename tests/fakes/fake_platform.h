#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fake_dialog_window.h"
#include "fakes/fake_process_launcher.h"
#include "fakes/fake_sql.h"
#include "fakes/native_text_codec.h"
#include "ports/platform.h"

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
  // Answers the scripted ticks in turn, then the last one again.
  std::uint32_t TickCount() override {
    if (ticks.size() > 1) {
      std::uint32_t tick = ticks.front();
      ticks.erase(ticks.begin());
      return tick;
    }
    return ticks.empty() ? 0 : ticks.front();
  }
  LocalTime Now() override { return now; }

  std::optional<std::string> settingsDirectory = "/home/user/.cache/";
  std::optional<std::string> computerName = "WORKSTATION";
  std::vector<std::uint32_t> ticks;
  LocalTime now{2009, 3, 7, 9, 5, 0};
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
// its old content. Copies, deletions, open tests and digests go to the journal; a copy
// fails when its source is missing or listed in failCopies, and reports the scripted
// progress (by default: nothing copied, then everything, and a stop asked for in
// between ends it).
class FakeFileSystem : public FileSystem {
 public:
  FileContent ReadFileContent(const std::string& path) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end()) {
      return {};
    }
    return {FileContent::Status::kRead, it->second, {}};
  }
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override {
    ++writes;
    if (failWrites.contains(path)) {
      return {false, "No space left on device"};
    }
    files[path] = content;
    return {true, {}};
  }
  FileResult MoveOver(const std::string& from, const std::string& path) override {
    Record("move " + from + " -> " + path);
    auto it = files.find(from);
    if (it == files.end() || failMoves.contains(from)) {
      return {false, "Permission denied"};
    }
    files[path] = it->second;
    files.erase(it);
    return {true, {}};
  }
  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       CopyObserver& observer) override {
    Record("copy " + source + " -> " + destination);
    auto it = files.find(source);
    if (it == files.end() || failCopies.contains(source)) {
      return {CopyOutcome::Status::kFailed, copyFailureReason, copyLeftover};
    }
    const std::uint64_t size = it->second.size();
    if (progressSteps.empty()) {
      observer.Progress(size, 0);
      if (duringCopy) {
        duringCopy();
      }
      if (observer.StopRequested()) {
        Record("copy stopped");
        return {CopyOutcome::Status::kStopped, {}, copyLeftover};
      }
      observer.Progress(size, size);
    }
    for (const auto& [total, copied] : progressSteps) {
      observer.Progress(total, copied);
    }
    files[destination] = it->second;
    return {CopyOutcome::Status::kCopied, {}, {}, FakeSha256(it->second)};
  }
  std::optional<std::string> Sha256OfFile(const std::string& path,
                                          const std::function<bool()>& stopRequested) override {
    Record("hash " + path);
    auto it = files.find(path);
    if (it == files.end() || unreadable.contains(path) || stopRequested()) {
      return std::nullopt;
    }
    return FakeSha256(it->second);
  }
  // 64 hex digits that differ for different contents, like a SHA-256 (it is not one).
  static std::string FakeSha256(const std::string& content) {
    std::string hex;
    std::uint64_t h = 1469598103934665603ull;
    for (int round = 0; round < 4; ++round) {
      for (const char c : content) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
      }
      h = (h ^ static_cast<std::uint64_t>(round)) * 1099511628211ull;
      char part[17];
      std::snprintf(part, sizeof part, "%016llx", static_cast<unsigned long long>(h));
      hex += part;
    }
    return hex;
  }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    auto it = files.find(path);
    return it == files.end() ? std::nullopt : std::optional<std::uint64_t>(it->second.size());
  }
  std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
    for (const auto& [folder, bytes] : freeSpace) {
      if (path.rfind(folder, 0) == 0) {
        return bytes;
      }
    }
    return std::nullopt;
  }
  bool DeleteFile(const std::string& path) override {
    Record("delete " + path);
    return files.erase(path) > 0;
  }
  bool CanOpenForReading(const std::string& path) override {
    Record("open for reading " + path);
    return files.contains(path) && !unreadable.contains(path);
  }

  std::map<std::string, std::string> files;
  std::set<std::string> failWrites;
  std::set<std::string> failCopies;  // fail with copyFailureReason, leaving copyLeftover
  std::set<std::string> failMoves;   // by the file moved
  std::string copyFailureReason;
  std::string copyLeftover;
  std::function<void()> duringCopy;                // between the copy's first and last piece
  std::map<std::string, std::uint64_t> freeSpace;  // by folder (a path's beginning)
  std::set<std::string> unreadable;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progressSteps;  // total, copied
  int reads = 0;
  int writes = 0;
  std::vector<std::string>* journal = nullptr;

 private:
  void Record(const std::string& line) {
    if (journal != nullptr) {
      journal->push_back(line);
    }
  }
};

// Network log-ons. A log-on succeeds when the password is the one listed for the user.
class FakeNetworkSession : public NetworkSession {
 public:
  bool AddNetUse(const std::string& remoteName, const std::string& user,
                 const std::string& password) override {
    Record("net use add " + remoteName + " " + user + " " + password);
    auto it = accounts.find(user);
    return it != accounts.end() && it->second == password;
  }
  bool DeleteNetUse(const std::string& remoteName) override {
    Record("net use delete " + remoteName);
    return true;
  }

  std::map<std::string, std::string> accounts{{"backup", "pw"}};
  std::vector<std::string>* journal = nullptr;

 private:
  void Record(const std::string& line) {
    if (journal != nullptr) {
      journal->push_back(line);
    }
  }
};

// Every port faked (the text codec is the real one: it is a pure function), and the
// Platform bundle that the dialog borrows. The window's events, the data-access calls
// and the pauses share one journal: window.events.
struct FakePlatform {
  FakePlatform() {
    system.journal = &window.events;
    files.journal = &window.events;
    network.journal = &window.events;
    launcher.journal = &window.events;
  }

  FakeDialogWindow window;
  FakeSystemInfo system;
  FakeFileSystem files;
  NativeTextCodec codec;
  FakeSqlServer server{window.events};
  FakeSqlConnectionFactory sql{server};
  FakeServerBrowser browser;
  std::ostringstream standardOutput;
  std::ostringstream standardError;
  FakeProcessLauncher launcher;
  FakeClientUtility clientUtility;
  FakeNetworkSession network;
  Platform ports{window,         system,        files,    codec,         sql,    browser,
                 standardOutput, standardError, launcher, clientUtility, network};
};

}  // namespace harrowlander::testing
