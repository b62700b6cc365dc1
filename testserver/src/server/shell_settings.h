// How the played machine's command shell answers: its display language, and the
// commands its service account may not run.
#pragma once

namespace testserver {

enum class ShellLanguage { English, Chinese };

struct ShellSettings {
  ShellLanguage language = ShellLanguage::English;
  bool denyMkdir = false;     // "mkdir" of a new folder: Access is denied.
  bool denyNetShare = false;  // "net share NAME=PATH" and "/delete": System error 5
  bool denyEcho = false;      // "echo TEXT> FILE": Access is denied.
};

}  // namespace testserver
