#include "gui/wx/file_dialog.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

#include "gui/wx/wx_text.h"

namespace harrowlander::wx {
namespace {

// Where the last file dialog of this run ended, as the system's common dialogs
// remember it: the next one starts there.
wxString& LastFolder() {
  static wxString folder;
  return folder;
}

// Initial names may be Windows paths ("c:\Program Files\..."): their folder is used
// only when it exists here; otherwise the dialog starts where the last one ended.
void SetInitialName(wxFileDialog& dialog, const std::string& initial) {
  const wxString name = ToWx(initial);
  const size_t slash = name.find_last_of("\\/");
  const wxString folder = slash == wxString::npos ? wxString() : name.substr(0, slash);
  if (!folder.empty() && wxFileName::DirExists(folder)) {
    dialog.SetDirectory(folder);
  } else if (!LastFolder().empty() && wxFileName::DirExists(LastFolder())) {
    dialog.SetDirectory(LastFolder());
  }
  dialog.SetFilename(slash == wxString::npos ? name : name.substr(slash + 1));
}

// A Save dialog adds the default extension to a name typed without one. An Open dialog
// returns the chosen file as it is: "/usr/bin/rar" must not become "rar.exe".
std::string ChosenPath(const wxString& path, const FileDialogRequest& request) {
  const std::string& extension = request.defaultExtension;
  if (!request.save || extension.empty() || wxFileName(path).HasExt()) {
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
  if (request.save && (request.flags & ofn::kOverwritePrompt)) {
    style |= wxFD_OVERWRITE_PROMPT;
  }
  wxFileDialog dialog(owner, wxFileSelectorPromptStr, wxString(), wxString(),
                      WildcardOf(request.filter), style);
  SetInitialName(dialog, request.initialFileName);
  if (dialog.ShowModal() != wxID_OK) {
    return std::nullopt;
  }
  LastFolder() = wxFileName(dialog.GetPath()).GetPath();
  return ChosenPath(dialog.GetPath(), request);
}

}  // namespace harrowlander::wx
