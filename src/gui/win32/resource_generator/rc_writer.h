#pragma once

#include <ostream>
#include <string>

#include "res/dialog_templates.h"

namespace harrowlander::win32::resgen {

// The dialog templates of the core as resource-script text: UTF-8 source for the
// resource compiler, Chinese (Simplified) language, one DIALOGEX per template.
void WriteResourceScriptHeader(std::ostream& out);
void WriteDialog(std::ostream& out, const res::DialogTemplate& dialog);
void WriteIcon(std::ostream& out, int id, const std::string& icoFileName);
void WriteStringTable(std::ostream& out, int id, std::string_view text);

// A text as a resource-script string literal.
std::string QuoteResourceString(std::string_view text);

}  // namespace harrowlander::win32::resgen
