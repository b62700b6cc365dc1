#include "tools/process_launch.h"

#include <optional>

namespace harrowlander {
namespace {

void ShowStartFailure(Platform& platform) {
  // A box of its own, owned by no window, that still keeps the dialog from taking input
  // while it is up.
  platform.window.MessageBox("The process could not be started...", "", mb::kOk | mb::kTaskModal);
}

}  // namespace

int RunProcessAndWait(Platform& platform, const std::string& applicationPath,
                      const std::string& commandLine, int* exitCode,
                      const ExtraEnvironment& environment) {
  const std::optional<int> ended =
      platform.launcher.StartAndWait(applicationPath, commandLine, environment);
  if (!ended) {
    ShowStartFailure(platform);
    return 0;
  }
  if (exitCode != nullptr) {
    *exitCode = *ended;
  }
  return 1;
}

}  // namespace harrowlander
