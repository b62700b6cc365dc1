#include "window_driver.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <chrono>

namespace harrowlander::wx::testing {

void WindowDriver::Pump(int milliseconds) {
  WaitFor([] { return false; }, milliseconds);
}

bool WindowDriver::WaitFor(const std::function<bool()>& condition, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    wxTheApp->Yield(true);
    if (condition()) {
      return true;
    }
    wxMilliSleep(10);
  }
  wxTheApp->Yield(true);
  return condition();
}

void WindowDriver::Click(wxWindow& control) {
  const wxRect rect = control.GetScreenRect();
  m_sim.MouseMove(rect.GetLeft() + 6, rect.GetTop() + rect.GetHeight() / 2);
  Pump(150);  // GTK loses a click that arrives with the move
  m_sim.MouseClick();
  Pump(150);
}

void WindowDriver::ClickRightEnd(wxWindow& control) {
  const wxRect rect = control.GetScreenRect();
  m_sim.MouseMove(rect.GetRight() - 6, rect.GetTop() + rect.GetHeight() / 2);
  Pump(150);
  m_sim.MouseClick();
  Pump(150);
}

void WindowDriver::Key(int keyCode, int modifiers) {
  m_sim.Char(keyCode, modifiers);
  Pump(100);
}

void WindowDriver::KeyDown(int keyCode, int modifiers) {
  m_sim.KeyDown(keyCode, modifiers);
  Pump(60);
}

void WindowDriver::KeyUp(int keyCode, int modifiers) {
  m_sim.KeyUp(keyCode, modifiers);
  Pump(60);
}

void WindowDriver::Type(const char* text) {
  m_sim.Text(text);
  Pump(100);
}

WindowDriver::BoxAnswer::BoxAnswer(WindowDriver& driver, int keyCode, int modifiers)
    : m_driver(driver), m_keyCode(keyCode), m_modifiers(modifiers) {
  m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    // A person lets go of the modifiers held for what brought the box up first.
    m_driver.m_sim.KeyUp(WXK_ALT);
    m_driver.m_sim.KeyUp(WXK_CONTROL);
    m_driver.m_sim.Char(m_keyCode, m_modifiers);
    m_answered = true;
  });
  Register();
}

int WindowDriver::BoxAnswer::Enter(wxDialog* dialog) {
  m_caption = dialog->GetTitle();
  if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
    m_message = box->GetMessage();
  }
  m_timer.StartOnce(500);  // time for the box to be shown and to take the focus
  return wxID_NONE;        // show it
}

void WindowDriver::BoxAnswer::Exit(wxDialog* dialog) {
  m_result = dialog->GetReturnCode();
  Unregister();
}

WindowDriver::WhenShown::WhenShown(std::function<void(wxDialog&)> action)
    : m_action(std::move(action)) {
  m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    m_done = true;
    m_action(*m_dialog);
  });
  Register();
}

int WindowDriver::WhenShown::Enter(wxDialog* dialog) {
  m_dialog = dialog;
  m_timer.StartOnce(800);  // a file chooser takes longer to show than a message box
  return wxID_NONE;
}

void WindowDriver::WhenShown::Exit(wxDialog* /*dialog*/) {
  Unregister();
}

}  // namespace harrowlander::wx::testing
