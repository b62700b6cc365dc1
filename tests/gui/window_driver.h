#pragma once

#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include <functional>

namespace harrowlander::wx::testing {

// Drives windows of this process through the X server, as a person's mouse and
// keyboard would, and waits for the results.
class WindowDriver {
 public:
  // Processes events for the given time.
  void Pump(int milliseconds);
  // Processes events until the condition holds; false when it did not within the time.
  bool WaitFor(const std::function<bool()>& condition, int milliseconds = 3000);

  // A left click a few pixels into the control (on a box's or radio's indicator).
  void Click(wxWindow& control);
  // A left click a few pixels inside the control's right edge (a combo's button).
  void ClickRightEnd(wxWindow& control);
  void Key(int keyCode, int modifiers = wxMOD_NONE);
  void KeyDown(int keyCode, int modifiers = wxMOD_NONE);
  void KeyUp(int keyCode, int modifiers = wxMOD_NONE);
  void Type(const char* text);

  // Answers the next modal dialog with the key, pressed from inside its own loop once
  // it is shown, and remembers what it said.
  class BoxAnswer : public wxModalDialogHook {
   public:
    BoxAnswer(WindowDriver& driver, int keyCode, int modifiers = wxMOD_NONE);
    bool answered() const { return m_answered; }
    const wxString& caption() const { return m_caption; }
    const wxString& message() const { return m_message; }
    int result() const { return m_result; }

   protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

   private:
    WindowDriver& m_driver;
    int m_keyCode;
    int m_modifiers;
    wxTimer m_timer;
    wxString m_caption;
    wxString m_message;
    bool m_answered = false;
    int m_result = 0;
  };

  // Runs an action on the next modal dialog, from inside its own loop, once it is shown.
  class WhenShown : public wxModalDialogHook {
   public:
    explicit WhenShown(std::function<void(wxDialog&)> action);
    bool done() const { return m_done; }

   protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

   private:
    std::function<void(wxDialog&)> m_action;
    wxTimer m_timer;
    wxDialog* m_dialog = nullptr;
    bool m_done = false;
  };

  wxUIActionSimulator& simulator() { return m_sim; }

 private:
  wxUIActionSimulator m_sim;
};

}  // namespace harrowlander::wx::testing
