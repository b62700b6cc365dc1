#include "gui/wx/about_box.h"

#include "res/resource_ids.h"

namespace harrowlander::wx {

AboutBox::AboutBox(wxWindow* parent) : TemplateDialog(parent, res::AboutDialogTemplate()) {
  SetAffirmativeId(res::IDOK);
}

}  // namespace harrowlander::wx
