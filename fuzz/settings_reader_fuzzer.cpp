// Feeds arbitrary bytes to the dialog as its settings file, through the path the
// dialog takes when it opens. Whatever loads must then save, and the saved file must
// load again without complaint and save to the very same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fakes/fake_platform.h"
#include "ui/harrowlander_dlg.h"

namespace {

using harrowlander::CHarrowlanderDlg;
using harrowlander::testing::FakePlatform;

std::string SettingsPath(FakePlatform& fake) {
  return *fake.system.settingsDirectory + "Harrowlander.dat";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakePlatform fake;
  const std::string path = SettingsPath(fake);
  fake.files.files[path] = std::string(reinterpret_cast<const char*>(data), size);
  CHarrowlanderDlg loaded(fake.ports);
  loaded.SerializeSettings(false);
  loaded.SerializeSettings(true);
  const std::string saved = fake.files.files[path];
  const std::size_t messages = fake.window.messageBoxes.size();

  CHarrowlanderDlg reloaded(fake.ports);
  reloaded.SerializeSettings(false);
  reloaded.SerializeSettings(true);
  if (fake.window.messageBoxes.size() != messages || fake.files.files[path] != saved) {
    std::abort();
  }
  return 0;
}
