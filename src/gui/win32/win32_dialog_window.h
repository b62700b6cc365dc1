#pragma once

#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "ports/dialog_window.h"

namespace harrowlander::win32 {

// DialogWindow over the native dialog of template 102. It lives as long as the core's
// dialog object, longer than the window: the host attaches the window while it is
// open. Until then calls on controls do nothing and message boxes have no owner.
// Calls come on the dialog's thread only (a run's are carried there by
// ThreadedDialogWindow): the focus, the key state and a box's owner are the calling
// thread's.
class Win32DialogWindow : public DialogWindow {
 public:
  void Attach(HWND dialog) { m_dialog = dialog; }
  void Detach() { m_dialog = nullptr; }
  HWND handle() const { return m_dialog; }

  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  void SetControlTextNow(int id, const std::string& text) override;
  bool IsChecked(int id) override;
  void SetCheck(int id, bool checked) override;
  // A control that loses the focus by being disabled hands it to the default button.
  void EnableControl(int id, bool enabled) override;
  void FocusAndSelectAll(int id) override;
  void ResetComboContent(int id) override;
  void AddComboString(int id, const std::string& item) override;
  std::vector<std::string> GetComboItems(int id) override;
  int GetComboSelection(int id) override;
  void SetComboSelection(int id, int index) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
  void ShowAboutBox() override;
  void Beep(unsigned type) override;
  std::int16_t GetKeyState(int virtualKey) override;
  // Ends the modal dialog as Exit does.
  void CloseWindow() override;
  void SetIcon(int iconResource, bool big) override;
  void AppendAboutToSystemMenu(int commandId, const std::string& text) override;

 private:
  HWND Control(int id) const;

  HWND m_dialog = nullptr;
};

// The text of any window: an edit, a button, a static, the edit part of a combo box.
std::string WindowText(HWND window);

}  // namespace harrowlander::win32
