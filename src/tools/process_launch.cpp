#include "tools/process_launch.h"

namespace harrowlander {
namespace {

void ShowStartFailure(Platform& platform) {
  // A box of its own, owned by no window, that still keeps the dialog from taking input
  // while it is up.
  platform.window.MessageBox("The process could not be started...", "", mb::kOk | mb::kTaskModal);
}

}  // namespace

int RunProcessAndWait(Platform& platform, const std::string& applicationPath,
                      const std::string& commandLine) {
  if (platform.launcher.StartAndWait(applicationPath, commandLine)) {
    return 1;
  }
  ShowStartFailure(platform);
  return 0;
}

std::optional<int> RunProcessAndWaitForExit(Platform& platform, const std::string& applicationPath,
                                            const std::string& commandLine) {
  std::optional<int> exitCode = platform.launcher.StartAndWaitForExit(applicationPath, commandLine);
  if (!exitCode) {
    ShowStartFailure(platform);
  }
  return exitCode;
}

}  // namespace harrowlander
