// The settings record: a version number, then the dialog's fields in a fixed order.
// Each row joined the record in some version and is present from then on; a file of
// version v holds exactly the rows whose range includes v, in table order.

#include <cstdint>
#include <string>
#include <variant>

#include "ui/harrowlander_dlg.h"
#include "ui/settings_archive.h"

namespace harrowlander {
namespace {

constexpr std::int32_t kOldestVersion = 1;
constexpr std::int32_t kCurrentVersion = 11;

using Dlg = CHarrowlanderDlg;

struct SettingsRow {
  std::variant<std::string Dlg::*, std::int32_t Dlg::*> field;
  std::int32_t firstVersion;
};

// Rows are never dropped, so every row runs to the current version. m_bSameMachine
// has two slots; on loading the second one is what stays.
constexpr SettingsRow kRows[] = {
    {&Dlg::m_strServer, 1},
    {&Dlg::m_strSqlUser, 1},
    {&Dlg::m_strSqlPassword, 1},
    {&Dlg::m_strDatabase, 1},
    {&Dlg::m_strRarExePath, 1},
    {&Dlg::m_bSaveSqlPassword, 1},
    {&Dlg::m_bSameMachine, 1},
    {&Dlg::m_bCompressRar, 1},
    {&Dlg::m_bShrinkBeforeBackup, 6},
    {&Dlg::m_bDropBeforeRestore, 1},
    {&Dlg::m_bIncremental, 11},
    {&Dlg::m_bRestoreToDataDir, 7},
    {&Dlg::m_strNetServer, 4},
    {&Dlg::m_strNetUser, 2},
    {&Dlg::m_strNetPassword, 2},
    {&Dlg::m_bSaveNetPassword, 5},
    {&Dlg::m_bSameMachine, 2},
    {&Dlg::m_nMode, 3},
    {&Dlg::m_bTruncateLogBeforeShrink, 8},
    {&Dlg::m_nShrinkPercent, 8},
    {&Dlg::m_strTableKeyword, 9},
    {&Dlg::m_nConnectTimeout, 10},
    {&Dlg::m_nCommandTimeout, 10},
};

}  // namespace

void CHarrowlanderDlg::Serialize(SettingsArchive& archive) {
  std::int32_t version = kCurrentVersion;
  archive.Exchange(version);
  // An unknown version is not an error: the fields simply keep what they hold.
  if (version < kOldestVersion || version > kCurrentVersion) {
    return;
  }
  for (const SettingsRow& row : kRows) {
    if (row.firstVersion <= version) {
      std::visit([&](auto member) { archive.Exchange(this->*member); }, row.field);
    }
  }
}

}  // namespace harrowlander
