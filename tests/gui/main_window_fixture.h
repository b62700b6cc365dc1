#pragma once

#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "gui/wx/linux_adapters.h"
#include "gui/wx/main_dialog.h"
#include "gui/wx/wx_window_thread.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"
#include "ui/key_sequence.h"
#include "window_driver.h"

namespace harrowlander::wx::testing {

using namespace res;

// The main window on the Linux adapters, opened as at a first start (no settings
// file), driven through the X server. Its operations run on a thread of their own, as
// in the program.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/harrowlander-gui-XXXXXX";
    m_cache = mkdtemp(pattern);
    setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
    KeySequenceState() = 0;
    adapters = std::make_unique<LinuxAdapters>();
    BeforeOpening();
    dialogPorts = std::make_unique<Platform>(DialogPorts());
    dlg = std::make_unique<CHarrowlanderDlg>(*dialogPorts, windowThread);
    window = new MainDialog(*dlg, adapters->window);
    adapters->window.Attach(window, window->controls());
    dlg->OnInitDialog();
    window->Show();
    ASSERT_TRUE(driver.WaitFor([this] { return window->IsShownOnScreen(); }));
    driver.Pump(300);
  }

  void TearDown() override {
    // A run's end comes back to the window, which must be there for it; one that goes
    // on too long is asked to stop.
    EXPECT_TRUE(driver.WaitFor([this] { return !dlg->IsRunning(); }, 20000))
        << "a run outlived the test";
    if (dlg->IsRunning()) {
      dlg->RequestStop();
      driver.WaitFor([this] { return !dlg->IsRunning(); }, 20000);
    }
    adapters->window.Detach();
    window->Destroy();
    driver.Pump(50);
    std::filesystem::remove_all(m_cache);
  }

  // Runs before the dialog is made, with the settings directory in place and empty.
  virtual void BeforeOpening() {}
  // The ports the dialog runs on.
  virtual Platform DialogPorts() { return adapters->ports; }

  const std::filesystem::path& SettingsDirectory() const { return m_cache; }
  wxWindow& C(int id) { return *window->Control(id); }
  std::string Text(int id) { return adapters->window.GetControlText(id); }
  bool Checked(int id) { return adapters->window.IsChecked(id); }

  std::set<int> EnabledAmong(const std::set<int>& ids) {
    std::set<int> enabled;
    for (int id : ids) {
      if (C(id).IsEnabled()) {
        enabled.insert(id);
      }
    }
    return enabled;
  }

  // The control that has the focus, or the control whose part (a combo's edit) has it.
  int FocusedId() {
    for (wxWindow* focus = wxWindow::FindFocus(); focus != nullptr; focus = focus->GetParent()) {
      for (const auto& [id, control] : window->controls()) {
        if (control == focus) {
          return id;
        }
      }
    }
    return 0;
  }

  std::string SelectedText(int id) {
    return dynamic_cast<wxTextCtrl&>(C(id)).GetStringSelection().utf8_string();
  }

  const std::set<int> kModeControls = {IDC_SAVE_SQL_PASSWORD,
                                       IDC_SAME_MACHINE,
                                       IDC_COMPRESS_RAR,
                                       IDC_DROP_BEFORE_RESTORE,
                                       IDC_SAVE_NET_PASSWORD,
                                       IDC_SHRINK_BEFORE_BACKUP,
                                       IDC_RESTORE_TO_DATA_DIR,
                                       IDC_TRUNCATE_LOG_BEFORE_SHRINK,
                                       IDC_INCREMENTAL,
                                       IDC_RAR_PASSWORD,
                                       IDC_NET_USER,
                                       IDC_NET_PASSWORD,
                                       IDC_NET_SERVER,
                                       IDC_RAR_PASSWORD2,
                                       IDC_SHRINK_PERCENT,
                                       IDC_TABLE_KEYWORD};

  WindowDriver driver;
  WxWindowThread windowThread;
  std::unique_ptr<LinuxAdapters> adapters;
  std::unique_ptr<Platform> dialogPorts;
  std::unique_ptr<CHarrowlanderDlg> dlg;
  MainDialog* window = nullptr;

 private:
  std::filesystem::path m_cache;
};

}  // namespace harrowlander::wx::testing
