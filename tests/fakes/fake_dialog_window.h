#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ports/dialog_window.h"

namespace harrowlander::testing {

// A window that remembers every control's state and records every call that shows
// something to the user, in order. Message boxes and file dialogs take their answers
// from scripts the test fills; an unscripted message box answers OK (or No for a
// Yes/No box) and an unscripted file dialog is cancelled.
class FakeDialogWindow : public DialogWindow {
 public:
  struct MessageBoxCall {
    std::string text;
    std::string caption;
    unsigned style;
  };
  struct Combo {
    std::vector<std::string> items;
    int selection = -1;
  };

  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
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
  void CloseWindow() override { events.push_back("close window"); }
  void SetIcon(int iconResource, bool big) override;
  void AppendAboutToSystemMenu(int commandId, const std::string& text) override;

  // Test helpers.
  bool IsEnabled(int id) const { return !disabled.contains(id); }
  void PressKey(int virtualKey) { keysDown.insert(virtualKey); }
  void ReleaseKey(int virtualKey) { keysDown.erase(virtualKey); }

  // State, readable and writable by tests.
  std::map<int, std::string> texts;
  std::map<int, bool> checks;
  std::set<int> disabled;
  std::map<int, Combo> combos;
  std::set<int> keysDown;

  // Recorded calls.
  std::vector<std::string> events;  // every call, one readable line each, in order
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<FileDialogRequest> fileDialogs;
  std::vector<unsigned> beeps;
  std::vector<int> focused;  // ids given FocusAndSelectAll, in order
  int aboutBoxes = 0;

  // Scripts.
  std::deque<int> messageBoxAnswers;
  std::deque<std::optional<std::string>> fileDialogAnswers;
};

}  // namespace harrowlander::testing
