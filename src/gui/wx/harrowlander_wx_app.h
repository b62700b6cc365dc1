#pragma once

#include <wx/app.h>

namespace harrowlander::wx {

// The wx application: builds the adapters of the ports and hands the run to the
// application object of the core. The program takes no command-line options.
class HarrowlanderWxApp : public wxApp {
 public:
  bool OnInit() override;
  // The exit code of the application object.
  int OnRun() override;
};

}  // namespace harrowlander::wx
