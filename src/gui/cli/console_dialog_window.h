#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/cli/reporter.h"
#include "ports/dialog_window.h"

namespace harrowlander::cli {

// The dialog's window on a console. The controls are values typed in from the command
// line; a new text on the status line becomes a status line of output, message boxes
// are printed and answered from --yes, file dialogs from --to, --from and --archiver,
// and the keys held are the ones the command implies (Ctrl for --all, the drop lock
// for --yes).
class ConsoleDialogWindow : public DialogWindow {
 public:
  explicit ConsoleDialogWindow(Reporter& reporter) : m_reporter(reporter) {}

  // Answers.
  void AnswerYes(bool yes) { m_answerYes = yes; }
  void AnswerSaveDialog(std::optional<std::string> path) { m_savePath = std::move(path); }
  void AnswerOpenDialog(std::optional<std::string> path) { m_openPath = std::move(path); }
  void HoldKey(int virtualKey) { m_keysDown.insert(virtualKey); }

  // While the command line's values are typed in, message boxes are kept rather than
  // printed: the front end tells which option they are about.
  void SetTypingValues(bool typing) { m_typingValues = typing; }
  const std::string& LastMessage() const { return m_lastMessage; }
  // The last text shown on the status line (progress aside).
  const std::string& LastStatus() const { return m_lastStatus; }
  int LastFocused() const { return m_lastFocused; }
  // Whether an Open dialog was asked for that no option answers (the archiver).
  bool UnansweredOpenDialog() const { return m_unansweredOpenDialog; }

  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  // Progress texts: the console shows progress itself, from the figures.
  void SetControlTextNow(int id, const std::string& text) override { m_texts[id] = text; }
  void ReportProgress(const RunProgress& progress) override;
  bool IsChecked(int id) override;
  void SetCheck(int id, bool checked) override;
  void EnableControl(int, bool) override {}
  void FocusAndSelectAll(int id) override { m_lastFocused = id; }
  void ResetComboContent(int id) override;
  void AddComboString(int id, const std::string& item) override;
  std::vector<std::string> GetComboItems(int id) override;
  int GetComboSelection(int id) override;
  void SetComboSelection(int id, int index) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
  void ShowAboutBox() override {}
  void Beep(unsigned) override {}
  std::int16_t GetKeyState(int virtualKey) override;
  void SetIcon(int, bool) override {}
  void AppendAboutToSystemMenu(int, const std::string&) override {}

 private:
  struct Combo {
    std::vector<std::string> items;
    int selection = -1;
  };

  Reporter& m_reporter;
  std::map<int, std::string> m_texts;
  std::map<int, bool> m_checks;
  std::map<int, Combo> m_combos;
  std::set<int> m_keysDown;
  bool m_answerYes = false;
  std::optional<std::string> m_savePath;
  std::optional<std::string> m_openPath;
  bool m_typingValues = false;
  bool m_unansweredOpenDialog = false;
  std::string m_lastMessage;
  std::string m_lastStatus;
  int m_lastFocused = 0;
};

}  // namespace harrowlander::cli
