#include "tools/process_launch.h"

namespace harrowlander {

int RunProcessAndWait(Platform& platform, const std::string& applicationPath,
                      const std::string& commandLine) {
  if (platform.launcher.StartAndWait(applicationPath, commandLine)) {
    return 1;
  }
  platform.window.MessageBox("The process could not be started...", "", mb::kOk);
  return 0;
}

}  // namespace harrowlander
