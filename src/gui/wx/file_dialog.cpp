#include "gui/wx/file_dialog.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

#include "gui/wx/wx_text.h"

namespace harrowlander::wx {
namespace {

constexpr unsigned kOverwritePrompt = 0x2;  // OFN_OVERWRITEPROMPT

// Initial names may be Windows paths ("c:\Program Files\..."): the folder is used only
// when it exists here.
void SetInitialName(wxFileDialog& dialog, const std::string& initial) {
  const wxString name = ToWx(initial);
  const size_t slash = name.find_last_of("\\/");
  if (slash == wxString::npos) {
    dialog.SetFilename(name);
    return;
  }
  const wxString folder = name.substr(0, slash);
  if (wxFileName::DirExists(folder)) {
    dialog.SetDirectory(folder);
  }
  dialog.SetFilename(name.substr(slash + 1));
}

std::string WithDefaultExtension(const wxString& path, const std::string& extension) {
  const wxFileName name(path);
  if (extension.empty() || name.HasExt()) {
    return FromWx(path);
  }
  return FromWx(path) + (extension.front() == '.' ? "" : ".") + extension;
}

}  // namespace

wxString WildcardOf(const std::string& filter) {
  std::string wildcard = filter;
  while (!wildcard.empty() && wildcard.back() == '|') {
    wildcard.pop_back();
  }
  return ToWx(wildcard);
}

std::optional<std::string> ShowFileDialog(wxWindow* owner, const FileDialogRequest& request) {
  long style = request.save ? wxFD_SAVE : wxFD_OPEN;
  if (request.save && (request.flags & kOverwritePrompt)) {
    style |= wxFD_OVERWRITE_PROMPT;
  }
  wxFileDialog dialog(owner, wxFileSelectorPromptStr, wxString(), wxString(),
                      WildcardOf(request.filter), style);
  SetInitialName(dialog, request.initialFileName);
  if (dialog.ShowModal() != wxID_OK) {
    return std::nullopt;
  }
  return WithDefaultExtension(dialog.GetPath(), request.defaultExtension);
}

}  // namespace harrowlander::wx
