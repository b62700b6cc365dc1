#include "tools/archiver.h"

#include "ports/dialog_window.h"
#include "res/ascii_case.h"
#include "res/format_text.h"

namespace harrowlander {
namespace {

// The switch as one argument by the Windows command-line rules, so that a blank or a
// double quote in the password stays inside it: quoted only when it has to be, with
// an inner quote and the backslashes before a quote escaped.
std::string QuoteArgument(const std::string& argument) {
  if (argument.find_first_of(" \t\"") == std::string::npos) {
    return argument;
  }
  // Backslashes are literal except before a quote, where each one is doubled.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '"') {
      quoted.append(backslashes + 1, '\\');
    }
    backslashes = c == '\\' ? backslashes + 1 : 0;
    quoted += c;
  }
  quoted.append(backslashes, '\\');
  return quoted + "\"";
}

}  // namespace

std::string ArchivePath(const std::string& backupPath) {
  constexpr std::string_view kBackup = ".bak";
  const std::string_view path = backupPath;
  if (path.size() >= kBackup.size() &&
      EqualsIgnoringAsciiCase(path.substr(path.size() - kBackup.size()), kBackup)) {
    return std::string(path.substr(0, path.size() - kBackup.size())) + ".rar";
  }
  return backupPath + ".rar";
}

bool LocateArchiver(Platform& platform, std::string& rarExePath) {
  // 1.
  if (platform.files.CanOpenForReading(rarExePath)) {
    return true;
  }
  // 2. Overwrite-prompt is the only flag.
  std::optional<std::string> chosen =
      platform.window.ShowFileDialog({false, ".exe", "c:\\Program Files\\WinRAR\\WinRAR.exe",
                                      ofn::kOverwritePrompt, "WinRAR Excute File|winrar.exe||"});
  // 3.
  if (!chosen) {
    return false;
  }
  rarExePath = *chosen;
  return true;
}

namespace {

std::string PasswordSwitch(const std::string& password, const std::string& passwordConfirmation) {
  if (!password.empty() && password == passwordConfirmation) {
    return QuoteArgument("-hp" + password);
  }
  return {};
}

}  // namespace

std::string BuildArchiverCommandLine(const std::string& backupPath, const std::string& password,
                                     const std::string& passwordConfirmation) {
  // 1.
  const std::string archivePath = ArchivePath(backupPath);
  // 2.
  const std::string passwordSwitch = PasswordSwitch(password, passwordConfirmation);
  // 3.
  return FormatText(" a %s -df -ibck -ep \"%s\" \"%s\"", {passwordSwitch, archivePath, backupPath});
}

bool ArchivePasswordHasQuote(const std::string& password, const std::string& passwordConfirmation) {
  return password.find('"') != std::string::npos ||
         passwordConfirmation.find('"') != std::string::npos;
}

ArchiverStart BuildArchiverStart(const std::string& backupPath, const std::string& password,
                                 const std::string& passwordConfirmation,
                                 bool commandLinesVisibleToOthers) {
  const std::string passwordSwitch = PasswordSwitch(password, passwordConfirmation);
  if (!commandLinesVisibleToOthers || passwordSwitch.empty()) {
    return {BuildArchiverCommandLine(backupPath, password, passwordConfirmation), {}};
  }
  return {BuildArchiverCommandLine(backupPath, {}, {}), {{"RAR", passwordSwitch}}};
}

}  // namespace harrowlander
