// Where the settings file lives and how it is read and written. The record itself is
// in settings_record.cpp.

#include <optional>
#include <string>
#include <utility>

#include "res/dialog_templates.h"
#include "ui/harrowlander_dlg.h"
#include "ui/settings_archive.h"

namespace harrowlander {
namespace {

constexpr const char* kFileName = "Harrowlander.dat";
constexpr unsigned kMessageStyle = mb::kOk | mb::kIconExclamation;

// The directory may come with either separator already at its end (a Windows temp
// directory always ends in a backslash); otherwise a '/' joins, which every system
// this tool runs on accepts.
std::string SettingsFilePath(const std::string& directory) {
  const char last = directory.back();
  if (last == '/' || last == '\\') {
    return directory + kFileName;
  }
  return directory + '/' + kFileName;
}

void LoadSettings(CHarrowlanderDlg& dlg, const std::string& path) {
  Platform& platform = dlg.platform();
  FileContent content = platform.files.ReadFileContent(path);
  if (content.status == FileContent::Status::kNotOpened) {
    return;  // as a rule the first run: there is nothing to load yet
  }
  if (content.status == FileContent::Status::kReadFailed) {
    platform.window.MessageBox("读取设置文件“" + path + "”时出错：" + content.error + "。",
                               std::string(res::kApplicationName), kMessageStyle);
    return;
  }
  SettingsArchive archive = SettingsArchive::ForLoading(platform.codec, std::move(content.bytes));
  try {
    dlg.Serialize(archive);
  } catch (const SettingsArchiveTruncated&) {
    // The fields read before the failure keep their new values.
    platform.window.MessageBox("读取设置文件“" + path + "”时意外到达文件结尾。",
                               std::string(res::kApplicationName), kMessageStyle);
  }
}

void SaveSettings(CHarrowlanderDlg& dlg, const std::string& path) {
  Platform& platform = dlg.platform();
  SettingsArchive archive = SettingsArchive::ForStoring(platform.codec);
  dlg.Serialize(archive);
  FileResult result = platform.files.ReplaceFilePrivately(path, archive.bytes());
  if (!result.ok) {
    platform.window.MessageBox("写入设置文件“" + path + "”时出错：" + result.error + "。",
                               std::string(res::kApplicationName), kMessageStyle);
  }
}

}  // namespace

bool CHarrowlanderDlg::SerializeSettings(bool save) {
  std::optional<std::string> directory = m_platform.system.SettingsDirectory();
  if (!directory || directory->empty()) {
    return false;
  }
  const std::string path = SettingsFilePath(*directory);
  if (save) {
    SaveSettings(*this, path);
  } else {
    LoadSettings(*this, path);
  }
  return true;
}

void CHarrowlanderDlg::ClearUnsavedPasswords() {
  if (m_bSaveSqlPassword == 0) {
    m_strSqlPassword.clear();
  }
  if (m_bSaveNetPassword == 0) {
    m_strNetPassword.clear();
  }
}

}  // namespace harrowlander
