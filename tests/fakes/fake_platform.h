#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "fakes/fake_dialog_window.h"
#include "platform/posix/iconv_text_codec.h"
#include "ui/platform.h"

namespace harrowlander::testing {

class FakeSystemInfo : public SystemInfo {
 public:
  std::optional<std::string> SettingsDirectory() override { return settingsDirectory; }

  std::optional<std::string> settingsDirectory = "/home/user/.cache/";
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
// Platform bundle that the dialog borrows.
struct FakePlatform {
  FakeDialogWindow window;
  FakeSystemInfo system;
  FakeFileSystem files;
  posix::IconvTextCodec codec;
  Platform ports{window, system, files, codec};
};

}  // namespace harrowlander::testing
