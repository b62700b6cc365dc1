#include "gui/cli/console_dialog_window.h"

#include "res/resource_ids.h"

namespace harrowlander::cli {

std::string ConsoleDialogWindow::GetControlText(int id) {
  return m_texts[id];
}

void ConsoleDialogWindow::SetControlText(int id, const std::string& text) {
  // Every status message rewrites all controls, the status line with the text it
  // already has among them: only a new text is a new line of output.
  if (id == res::IDC_STATUS && !text.empty() && text != m_texts[id]) {
    m_lastStatus = text;
    m_reporter.Status(text);
  }
  m_texts[id] = text;
}

void ConsoleDialogWindow::ReportProgress(const RunProgress& progress) {
  if (progress.reconnecting) {
    m_reporter.Status(progress.text);
  } else if (progress.step == RunProgress::Step::kCopy) {
    m_reporter.Progress(progress.total, progress.copied);
  } else if (progress.percent) {
    m_reporter.ServerProgress(progress.step == RunProgress::Step::kBackup ? "backup" : "restore",
                              *progress.percent);
  }
}

bool ConsoleDialogWindow::IsChecked(int id) {
  return m_checks[id];
}

void ConsoleDialogWindow::SetCheck(int id, bool checked) {
  m_checks[id] = checked;
}

void ConsoleDialogWindow::ResetComboContent(int id) {
  m_combos[id] = Combo();
  m_texts[id].clear();
}

void ConsoleDialogWindow::AddComboString(int id, const std::string& item) {
  m_combos[id].items.push_back(item);
}

std::vector<std::string> ConsoleDialogWindow::GetComboItems(int id) {
  return m_combos[id].items;
}

int ConsoleDialogWindow::GetComboSelection(int id) {
  return m_combos[id].selection;
}

void ConsoleDialogWindow::SetComboSelection(int id, int index) {
  Combo& combo = m_combos[id];
  if (index == -1) {
    combo.selection = -1;  // the caller sets the text
  } else if (index >= 0 && static_cast<size_t>(index) < combo.items.size()) {
    combo.selection = index;
    m_texts[id] = combo.items[static_cast<size_t>(index)];
  }
}

int ConsoleDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                    unsigned style) {
  m_lastMessage = text;
  const bool question = (style & 0xF) == mb::kYesNo;
  if (!m_typingValues) {
    m_reporter.Message(text, caption, question ? (m_answerYes ? "yes" : "no") : "");
  }
  if (!question) {
    return kIdOk;
  }
  return m_answerYes ? kIdYes : kIdNo;
}

std::optional<std::string> ConsoleDialogWindow::ShowFileDialog(const FileDialogRequest& request) {
  if (request.save) {
    return m_savePath;
  }
  if (!m_openPath) {
    m_unansweredOpenDialog = true;
  }
  return m_openPath;
}

std::int16_t ConsoleDialogWindow::GetKeyState(int virtualKey) {
  return m_keysDown.contains(virtualKey) ? static_cast<std::int16_t>(0x8000 | 0x80) : 0;
}

}  // namespace harrowlander::cli
