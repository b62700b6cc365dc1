#include "gui/wx/harrowlander_wx_app.h"

wxIMPLEMENT_APP(harrowlander::wx::HarrowlanderWxApp);
