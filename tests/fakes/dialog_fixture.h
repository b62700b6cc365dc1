#pragma once

#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_platform.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::testing {

// A dialog on fake ports, opened as the front end opens it.
class DialogTest : public ::testing::Test {
 protected:
  void Open() { dlg.OnInitDialog(); }

  // What a click on a mode radio does to the window before the handler runs.
  void CheckModeRadio(int id) {
    for (int radio : {res::IDC_MODE_BACKUP, res::IDC_MODE_RESTORE, res::IDC_MODE_DELETE,
                      res::IDC_MODE_SHRINK, res::IDC_MODE_DROP_TABLES}) {
      fake.window.checks[radio] = radio == id;
    }
  }

  std::set<int> EnabledAmong(const std::set<int>& ids) {
    std::set<int> enabled;
    for (int id : ids) {
      if (fake.window.IsEnabled(id)) {
        enabled.insert(id);
      }
    }
    return enabled;
  }

  FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};
};

}  // namespace harrowlander::testing
