// Writes the window's settings file for the demo: the dialog's defaults with the
// Windows server, the share's account (its password saved, from
// HARROWLANDER_NET_PASSWORD) and the database filled in, through the dialog's own
// settings record, where the window reads it ($XDG_CACHE_HOME/Harrowlander.dat).
//   harrowlander-demo-settings --net-server S --net-user U --database D
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc_connection_factory.h"
#include "platform/posix/freetds_client_utility.h"
#include "platform/posix/iconv_text_codec.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#include "platform/posix/spawn_process_launcher.h"
#include "platform/posix/sql_browser_client.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {
namespace {

// No window: the settings file's own messages (a failed write) go to standard error.
class NoWindow : public DialogWindow {
 public:
  bool Complained() const { return m_complained; }

  std::string GetControlText(int) override { return {}; }
  void SetControlText(int, const std::string&) override {}
  bool IsChecked(int) override { return false; }
  void SetCheck(int, bool) override {}
  void EnableControl(int, bool) override {}
  void FocusAndSelectAll(int) override {}
  void ResetComboContent(int) override {}
  void AddComboString(int, const std::string&) override {}
  std::vector<std::string> GetComboItems(int) override { return {}; }
  int GetComboSelection(int) override { return -1; }
  void SetComboSelection(int, int) override {}
  int MessageBox(const std::string& text, const std::string&, unsigned) override {
    std::cerr << "harrowlander-demo-settings: " << text << '\n';
    m_complained = true;
    return kIdOk;
  }
  std::optional<std::string> ShowFileDialog(const FileDialogRequest&) override { return {}; }
  void ShowAboutBox() override {}
  void Beep(unsigned) override {}
  std::int16_t GetKeyState(int) override { return 0; }
  void SetIcon(int, bool) override {}
  void AppendAboutToSystemMenu(int, const std::string&) override {}

 private:
  bool m_complained = false;
};

int Run(int argc, char** argv) {
  std::map<std::string, std::string> values;
  for (int i = 1; i + 1 < argc; i += 2) {
    values[argv[i]] = argv[i + 1];
  }
  if (argc % 2 != 1 || values.size() != 3 || !values.count("--net-server") ||
      !values.count("--net-user") || !values.count("--database")) {
    std::cerr << "usage: harrowlander-demo-settings --net-server S --net-user U --database D\n";
    return 2;
  }

  NoWindow window;
  posix::PosixSystemInfo system;
  posix::PosixFileSystem files;
  posix::IconvTextCodec codec;
  odbc::OdbcConnectionFactory sql;
  posix::SqlBrowserClient browser;
  posix::SpawnProcessLauncher launcher;
  posix::FreeTdsClientUtility clientUtility;
  Platform platform{window,  system,    files,     codec,    sql,
                    browser, std::cout, std::cerr, launcher, clientUtility};

  CHarrowlanderDlg dlg(platform);
  dlg.m_strNetServer = values["--net-server"];
  dlg.m_strNetUser = values["--net-user"];
  dlg.m_strDatabase = values["--database"];
  if (const char* password = std::getenv("HARROWLANDER_NET_PASSWORD")) {
    dlg.m_strNetPassword = password;
    dlg.m_bSaveNetPassword = 1;
  }
  if (!dlg.SerializeSettings(true)) {
    std::cerr << "harrowlander-demo-settings: no directory for the settings file\n";
    return 1;
  }
  return window.Complained() ? 1 : 0;
}

}  // namespace
}  // namespace harrowlander

int main(int argc, char** argv) {
  return harrowlander::Run(argc, argv);
}
