#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/dialog_window.h"
#include "ports/window_thread.h"

namespace harrowlander {

// The dialog's window as an operation on a thread of its own sees it: every call is
// carried to the window's thread and waited for there, a modal question included.
class ThreadedDialogWindow : public DialogWindow {
 public:
  ThreadedDialogWindow(DialogWindow& window, WindowThread& thread)
      : m_window(window), m_thread(thread) {}

  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  void SetControlTextNow(int id, const std::string& text) override;
  void ReportProgress(const RunProgress& progress) override;
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
  void CloseWindow() override;
  void SetIcon(int iconResource, bool big) override;
  void AppendAboutToSystemMenu(int commandId, const std::string& text) override;

 private:
  // The call's answer, from the window's thread.
  template <typename Call>
  auto OnWindowThread(Call call) -> decltype(call(std::declval<DialogWindow&>()));

  DialogWindow& m_window;
  WindowThread& m_thread;
};

}  // namespace harrowlander
