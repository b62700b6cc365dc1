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
//                               the list stays down (one already down is closed
//                               and dropped anew)
//   ctrl-databases:SERVER:PASSWORD  the same with Ctrl held, logging
//                               "ctrl-database NAME" and "ctrl-status TEXT"
//   login:SERVER:PASSWORD       type that login into the server and password boxes
//   watch                       from now on log each text the status line and Start
//                               are given, whoever gives it ("status-line TEXT",
//                               "start-button TEXT focus=ID" with the control that has
//                               the focus then), and "closed" when the window goes
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
  void TypeLogin(const std::string& server, const std::string& password);
  void ListDatabases(const std::string& server, const std::string& password,
                     const std::string& prefix = "");
  void ListDatabasesHoldingCtrl(const std::string& server, const std::string& password);
  void WatchTexts();
  static LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ChooseLastSystemMenuEntry();
  void CloseOwnedBox();
  std::string DisabledControls() const;
  int FocusedControl() const;

  std::FILE* m_log;
  std::deque<std::string> m_actions;
  HWND m_dialog = nullptr;
  bool m_reported = false;
  bool m_boxExpected = false;
  bool m_watching = false;
};

}  // namespace harrowlander::win32
