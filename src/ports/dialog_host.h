#pragma once

namespace harrowlander {

class CHarrowlanderDlg;

// The window system's side of the main dialog's modal run.
class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // Creates the dialog's window from its template, lets the dialog initialise it
  // (OnInitDialog), forwards every notification to the dialog until the user closes
  // the window, and destroys the window. Returns the id of the button that ended it.
  virtual int RunModal(CHarrowlanderDlg& dialog) = 0;
};

}  // namespace harrowlander
