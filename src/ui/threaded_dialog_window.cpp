#include "ui/threaded_dialog_window.h"

#include <type_traits>
#include <utility>

namespace harrowlander {

template <typename Call>
auto ThreadedDialogWindow::OnWindowThread(Call call)
    -> decltype(call(std::declval<DialogWindow&>())) {
  using Answer = decltype(call(m_window));
  if (m_thread.IsWindowThread()) {
    return call(m_window);
  }
  if constexpr (std::is_void_v<Answer>) {
    m_thread.Invoke([&] { call(m_window); });
  } else {
    std::optional<Answer> answer;
    m_thread.Invoke([&] { answer.emplace(call(m_window)); });
    return std::move(*answer);
  }
}

std::string ThreadedDialogWindow::GetControlText(int id) {
  return OnWindowThread([&](DialogWindow& w) { return w.GetControlText(id); });
}
void ThreadedDialogWindow::SetControlText(int id, const std::string& text) {
  OnWindowThread([&](DialogWindow& w) { w.SetControlText(id, text); });
}
void ThreadedDialogWindow::SetControlTextNow(int id, const std::string& text) {
  OnWindowThread([&](DialogWindow& w) { w.SetControlTextNow(id, text); });
}
void ThreadedDialogWindow::ReportProgress(const RunProgress& progress) {
  OnWindowThread([&](DialogWindow& w) { w.ReportProgress(progress); });
}
bool ThreadedDialogWindow::IsChecked(int id) {
  return OnWindowThread([&](DialogWindow& w) { return w.IsChecked(id); });
}
void ThreadedDialogWindow::SetCheck(int id, bool checked) {
  OnWindowThread([&](DialogWindow& w) { w.SetCheck(id, checked); });
}
void ThreadedDialogWindow::EnableControl(int id, bool enabled) {
  OnWindowThread([&](DialogWindow& w) { w.EnableControl(id, enabled); });
}
void ThreadedDialogWindow::FocusAndSelectAll(int id) {
  OnWindowThread([&](DialogWindow& w) { w.FocusAndSelectAll(id); });
}
void ThreadedDialogWindow::ResetComboContent(int id) {
  OnWindowThread([&](DialogWindow& w) { w.ResetComboContent(id); });
}
void ThreadedDialogWindow::AddComboString(int id, const std::string& item) {
  OnWindowThread([&](DialogWindow& w) { w.AddComboString(id, item); });
}
std::vector<std::string> ThreadedDialogWindow::GetComboItems(int id) {
  return OnWindowThread([&](DialogWindow& w) { return w.GetComboItems(id); });
}
int ThreadedDialogWindow::GetComboSelection(int id) {
  return OnWindowThread([&](DialogWindow& w) { return w.GetComboSelection(id); });
}
void ThreadedDialogWindow::SetComboSelection(int id, int index) {
  OnWindowThread([&](DialogWindow& w) { w.SetComboSelection(id, index); });
}
int ThreadedDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                     unsigned style) {
  return OnWindowThread([&](DialogWindow& w) { return w.MessageBox(text, caption, style); });
}
std::optional<std::string> ThreadedDialogWindow::ShowFileDialog(const FileDialogRequest& request) {
  return OnWindowThread([&](DialogWindow& w) { return w.ShowFileDialog(request); });
}
void ThreadedDialogWindow::ShowAboutBox() {
  OnWindowThread([&](DialogWindow& w) { w.ShowAboutBox(); });
}
void ThreadedDialogWindow::Beep(unsigned type) {
  OnWindowThread([&](DialogWindow& w) { w.Beep(type); });
}
std::int16_t ThreadedDialogWindow::GetKeyState(int virtualKey) {
  return OnWindowThread([&](DialogWindow& w) { return w.GetKeyState(virtualKey); });
}
void ThreadedDialogWindow::CloseWindow() {
  OnWindowThread([&](DialogWindow& w) { w.CloseWindow(); });
}
void ThreadedDialogWindow::SetIcon(int iconResource, bool big) {
  OnWindowThread([&](DialogWindow& w) { w.SetIcon(iconResource, big); });
}
void ThreadedDialogWindow::AppendAboutToSystemMenu(int commandId, const std::string& text) {
  OnWindowThread([&](DialogWindow& w) { w.AppendAboutToSystemMenu(commandId, text); });
}

}  // namespace harrowlander
