#include <string>

#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

void CHarrowlanderDlg::ApplyMode() {
  const std::int32_t mode = m_nMode;
  const bool backupOrRestore = mode == kModeBackup || mode == kModeRestore;
  const bool netAccount = backupOrRestore && m_bSameMachine == 0;
  const bool archivePassword = mode == kModeBackup && m_bCompressRar == 1;

  const struct {
    int id;
    bool enabled;
  } rules[] = {
      {res::IDC_SAVE_SQL_PASSWORD, backupOrRestore},
      {res::IDC_SAME_MACHINE, backupOrRestore},
      {res::IDC_COMPRESS_RAR, mode == kModeBackup},
      {res::IDC_DROP_BEFORE_RESTORE, mode == kModeRestore},
      {res::IDC_SAVE_NET_PASSWORD, netAccount},
      {res::IDC_SHRINK_BEFORE_BACKUP, mode == kModeBackup},
      {res::IDC_RESTORE_TO_DATA_DIR, mode == kModeRestore},
      {res::IDC_TRUNCATE_LOG_BEFORE_SHRINK, mode == kModeShrink},
      {res::IDC_INCREMENTAL, mode == kModeBackup},
      {res::IDC_RAR_PASSWORD, archivePassword},
      {res::IDC_NET_USER, netAccount},
      {res::IDC_NET_PASSWORD, netAccount},
      {res::IDC_NET_SERVER, netAccount},
      {res::IDC_RAR_PASSWORD2, archivePassword},
      {res::IDC_SHRINK_PERCENT, mode == kModeBackup || mode == kModeShrink},
      {res::IDC_TABLE_KEYWORD, mode == kModeDropTables},
  };
  for (const auto& rule : rules) {
    m_platform.window.EnableControl(rule.id, rule.enabled);
  }

  // Indexed by the mode.
  static constexpr const char* kModeNames[] = {"备份", "还原", "删除", "收缩", "删表"};
  const bool known = mode >= kModeBackup && mode <= kModeDropTables;
  m_platform.window.SetControlText(res::IDOK, known ? kModeNames[mode] : "");
}

namespace {

// What every mode control does first; false when a field failed validation.
bool ValidateAndApplyMode(CHarrowlanderDlg& dlg) {
  if (!dlg.UpdateData(true)) {
    return false;
  }
  dlg.ApplyMode();
  return true;
}

}  // namespace

void CHarrowlanderDlg::OnModeChanged() {
  ValidateAndApplyMode(*this);
}

void CHarrowlanderDlg::OnShrinkModeClicked() {
  if (ValidateAndApplyMode(*this)) {
    m_platform.window.FocusAndSelectAll(res::IDC_SHRINK_PERCENT);
  }
}

void CHarrowlanderDlg::OnDropTablesModeClicked() {
  if (ValidateAndApplyMode(*this)) {
    m_platform.window.FocusAndSelectAll(res::IDC_TABLE_KEYWORD);
  }
}

void CHarrowlanderDlg::OnCompressRarClicked() {
  if (ValidateAndApplyMode(*this) && m_bCompressRar == 1) {
    m_platform.window.FocusAndSelectAll(res::IDC_RAR_PASSWORD);
  }
}

void CHarrowlanderDlg::OnRarPasswordChange() {}

}  // namespace harrowlander
