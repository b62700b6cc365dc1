#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/run_progress.h"

namespace harrowlander {

// Message box styles, results and beep sounds, with the values the window systems use.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconHand = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefButton2 = 0x100;
// No owner window; every window of the program takes no input while the box is up.
inline constexpr unsigned kTaskModal = 0x2000;
inline constexpr unsigned kSimpleBeep = 0xFFFFFFFF;
}  // namespace mb

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Virtual-key codes the core asks about.
namespace vk {
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
}  // namespace vk

// The two readings of a key's state word (DialogWindow::GetKeyState) that the dialog
// makes: the word's top bit, and the top bit of its low byte. The window system sets
// both while the key is down; which one a check reads is part of its behaviour.
inline bool KeyStateDown(std::int16_t state) {
  return (static_cast<std::uint16_t>(state) & 0x8000) != 0;
}
inline bool KeyStateHeld(std::int16_t state) {
  return (state & 0x80) != 0;
}

// File dialog flags, with the values the window systems use.
namespace ofn {
inline constexpr unsigned kOverwritePrompt = 0x2;
inline constexpr unsigned kHideReadOnly = 0x4;
}  // namespace ofn

struct FileDialogRequest {
  bool save = false;             // Save dialog, else Open dialog
  std::string defaultExtension;  // appended when the typed name has none
  std::string initialFileName;
  unsigned flags = 0;  // window-system flags (hide read-only, overwrite prompt)
  std::string filter;  // "Label|pattern|Label|pattern||"
};

// The main dialog's window as the core sees it. Control ids are those of the dialog
// template. Calls never throw; a control id that does not exist is ignored.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Text of an edit, static, button caption, or the edit part of a combo box.
  virtual std::string GetControlText(int id) = 0;
  // Sets the text; the window repaints it when it next processes paint requests.
  virtual void SetControlText(int id, const std::string& text) = 0;
  // Sets the text and paints it at once: progress shown while the dialog's thread is
  // busy and processes no input. Adapters whose SetControlText paints at once keep this.
  virtual void SetControlTextNow(int id, const std::string& text) { SetControlText(id, text); }
  // The figures behind a progress text that was just shown on the status line; front
  // ends that show the text alone ignore them.
  virtual void ReportProgress(const RunProgress&) {}

  virtual bool IsChecked(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;

  // Focus to the edit, its whole text selected and the caret scrolled into view.
  virtual void FocusAndSelectAll(int id) = 0;

  // Combo box list. Resetting empties the list and the edit text; selecting an item
  // puts its text into the edit part.
  virtual void ResetComboContent(int id) = 0;
  virtual void AddComboString(int id, const std::string& item) = 0;
  virtual std::vector<std::string> GetComboItems(int id) = 0;
  virtual int GetComboSelection(int id) = 0;  // -1 when nothing is selected
  // -1 selects nothing; the edit text afterwards is the adapter's (set it after).
  virtual void SetComboSelection(int id, int index) = 0;

  // Modal message box owned by the dialog (by no window with mb::kTaskModal); returns
  // kIdOk, kIdYes or kIdNo. A Yes/No box
  // that is dismissed without an answer (Esc, the title bar's close) returns kIdNo:
  // closing a box never counts as consent.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  // Modal Open or Save dialog; the chosen path, or nothing when cancelled.
  virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;
  virtual void ShowAboutBox() = 0;

  // Plays the sound of a message-box style (mb::kIconQuestion) or mb::kSimpleBeep.
  virtual void Beep(unsigned type) = 0;
  // The key's state word: bit 0x8000 (and with it 0x80) set while the key is down.
  virtual std::int16_t GetKeyState(int virtualKey) = 0;

  // Closes the dialog as its Exit button does.
  virtual void CloseWindow() {}

  // Window decorations set up once when the dialog opens.
  virtual void SetIcon(int iconResource, bool big) = 0;
  virtual void AppendAboutToSystemMenu(int commandId, const std::string& text) = 0;
};

}  // namespace harrowlander
