#pragma once

#include <wx/dialog.h>
#include <wx/iconbndl.h>

#include <string>
#include <vector>

#include "gui/wx/template_controls.h"
#include "ports/dialog_window.h"

namespace harrowlander::wx {

// DialogWindow over the wx controls of the main dialog. It lives as long as the
// dialog object of the core, longer than any one window: the host attaches the window
// while it is open. Until then calls on controls do nothing and boxes have no owner.
class WxDialogWindow : public DialogWindow {
 public:
  struct MenuEntry {
    int commandId;
    std::string text;
  };

  void Attach(wxDialog* dialog, ControlMap controls);
  void Detach();

  // True while the window itself changes a control's text or list, when the change
  // must not be taken for the user's edit.
  bool ChangingControls() const { return m_changing > 0; }
  const std::vector<MenuEntry>& systemMenu() const { return m_systemMenu; }

  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  // Repaints the control before returning: the dialog's thread may not get back to its
  // event loop for a while.
  void SetControlTextNow(int id, const std::string& text) override;
  bool IsChecked(int id) override;
  void SetCheck(int id, bool checked) override;
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
  // Ends the dialog's modal run with the Exit button's id; a window shown without one
  // is hidden.
  void CloseWindow() override;
  void SetIcon(int iconResource, bool big) override;
  void AppendAboutToSystemMenu(int commandId, const std::string& text) override;

 private:
  wxWindow* Find(int id) const;

  wxDialog* m_dialog = nullptr;
  ControlMap m_controls;
  wxIconBundle m_icons;
  std::vector<MenuEntry> m_systemMenu;
  int m_changing = 0;
};

}  // namespace harrowlander::wx
