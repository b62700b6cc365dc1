#include "fakes/fake_dialog_window.h"

namespace harrowlander::testing {

std::string FakeDialogWindow::GetControlText(int id) {
  return texts[id];
}

void FakeDialogWindow::SetControlText(int id, const std::string& text) {
  events.push_back("text " + std::to_string(id) + " = " + text);
  texts[id] = text;
}

void FakeDialogWindow::SetControlTextNow(int id, const std::string& text) {
  events.push_back("painted " + std::to_string(id) + " = " + text);
  texts[id] = text;
}

bool FakeDialogWindow::IsChecked(int id) {
  return checks[id];
}

void FakeDialogWindow::SetCheck(int id, bool checked) {
  checks[id] = checked;
}

void FakeDialogWindow::EnableControl(int id, bool enabled) {
  events.push_back("enable " + std::to_string(id) + " " + (enabled ? "1" : "0"));
  if (enabled) {
    disabled.erase(id);
  } else {
    disabled.insert(id);
  }
}

void FakeDialogWindow::FocusAndSelectAll(int id) {
  events.push_back("focus " + std::to_string(id));
  focused.push_back(id);
}

void FakeDialogWindow::ResetComboContent(int id) {
  events.push_back("reset combo " + std::to_string(id));
  combos[id] = Combo{};
  texts[id].clear();
}

void FakeDialogWindow::AddComboString(int id, const std::string& item) {
  combos[id].items.push_back(item);
}

std::vector<std::string> FakeDialogWindow::GetComboItems(int id) {
  return combos[id].items;
}

int FakeDialogWindow::GetComboSelection(int id) {
  return combos[id].selection;
}

void FakeDialogWindow::SetComboSelection(int id, int index) {
  Combo& combo = combos[id];
  if (index == -1) {
    combo.selection = -1;
    return;
  }
  if (index < 0 || index >= static_cast<int>(combo.items.size())) {
    return;
  }
  combo.selection = index;
  texts[id] = combo.items[static_cast<size_t>(index)];
}

int FakeDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                 unsigned style) {
  events.push_back("message box " + caption + ": " + text);
  messageBoxes.push_back({text, caption, style});
  if (!messageBoxAnswers.empty()) {
    int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
  }
  return (style & 0xF) == mb::kYesNo ? kIdNo : kIdOk;
}

std::optional<std::string> FakeDialogWindow::ShowFileDialog(const FileDialogRequest& request) {
  events.push_back(std::string(request.save ? "save" : "open") + " dialog " +
                   request.initialFileName);
  fileDialogs.push_back(request);
  if (fileDialogAnswers.empty()) {
    return std::nullopt;
  }
  auto answer = fileDialogAnswers.front();
  fileDialogAnswers.pop_front();
  return answer;
}

void FakeDialogWindow::ShowAboutBox() {
  events.push_back("about box");
  ++aboutBoxes;
}

void FakeDialogWindow::Beep(unsigned type) {
  events.push_back("beep " + std::to_string(type));
  beeps.push_back(type);
}

std::int16_t FakeDialogWindow::GetKeyState(int virtualKey) {
  return keysDown.contains(virtualKey) ? static_cast<std::int16_t>(0xFF80) : 0;
}

void FakeDialogWindow::SetIcon(int iconResource, bool big) {
  events.push_back("icon " + std::to_string(iconResource) + (big ? " big" : " small"));
}

void FakeDialogWindow::AppendAboutToSystemMenu(int commandId, const std::string& text) {
  events.push_back("system menu " + std::to_string(commandId) + " " + text);
}

}  // namespace harrowlander::testing
