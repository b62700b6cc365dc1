#pragma once

#include "platform/win32/windows_api.h"

#include <cstdio>
#include <deque>
#include <memory>
#include <string>

namespace harrowlander::win32 {

// A scripted run of the open dialog for the tests under Wine, where nothing outside
// the program can read the controls. Inert unless HARROWLANDER_SELFTEST names a log
// file. Once the dialog has painted, it logs every control's state, the window's
// rectangles and "READY", then performs HARROWLANDER_SELFTEST_ACTIONS in order
// (blank-separated):
//   modes                       click each mode radio, logging the states it leaves
//   databases:SERVER:PASSWORD   drop the database list down with that login, log it;
//                               the list stays down
//   sysmenu                     choose the system menu's last entry, log the box it
//                               opens and close that box
//   end                         press Exit
// and logs "DONE". The log is UTF-8 with "\n" line ends.
class SelfTest {
 public:
  static std::unique_ptr<SelfTest> FromEnvironment();
  SelfTest(std::FILE* log, std::deque<std::string> actions);
  ~SelfTest();
  SelfTest(const SelfTest&) = delete;
  SelfTest& operator=(const SelfTest&) = delete;

  // Starts the script on the dialog that has just opened.
  void Start(HWND dialog);

 private:
  static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
  void Step();
  void Log(const std::string& line);
  void LogControls();
  void ClickModes();
  void ListDatabases(const std::string& server, const std::string& password);
  void ChooseLastSystemMenuEntry();
  void CloseOwnedBox();
  std::string DisabledControls() const;
  int FocusedControl() const;

  std::FILE* m_log;
  std::deque<std::string> m_actions;
  HWND m_dialog = nullptr;
  bool m_reported = false;
  bool m_boxExpected = false;
};

}  // namespace harrowlander::win32
