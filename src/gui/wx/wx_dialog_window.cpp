#include "gui/wx/wx_dialog_window.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/odcombo.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "gui/wx/about_box.h"
#include "gui/wx/app_icon.h"
#include "gui/wx/file_dialog.h"
#include "gui/wx/key_codes.h"
#include "gui/wx/message_box.h"
#include "gui/wx/status_line.h"
#include "gui/wx/wx_text.h"
#include "res/resource_ids.h"

namespace harrowlander::wx {
namespace {

template <typename Control>
Control* As(wxWindow* window) {
  return dynamic_cast<Control*>(window);
}

// The window itself or one of its parts (a combo box's edit).
bool Contains(const wxWindow& window, const wxWindow* part) {
  for (; part != nullptr; part = part->GetParent()) {
    if (part == &window) {
      return true;
    }
  }
  return false;
}

class ChangeGuard {
 public:
  explicit ChangeGuard(int& depth) : m_depth(depth) { ++m_depth; }
  ~ChangeGuard() { --m_depth; }
  ChangeGuard(const ChangeGuard&) = delete;
  ChangeGuard& operator=(const ChangeGuard&) = delete;

 private:
  int& m_depth;
};

}  // namespace

void WxDialogWindow::Attach(wxDialog* dialog, ControlMap controls) {
  m_dialog = dialog;
  m_controls = std::move(controls);
  m_systemMenu.clear();
}

void WxDialogWindow::Detach() {
  m_dialog = nullptr;
  m_controls.clear();
}

wxWindow* WxDialogWindow::Find(int id) const {
  const auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : it->second;
}

std::string WxDialogWindow::GetControlText(int id) {
  wxWindow* control = Find(id);
  if (auto* entry = As<wxTextEntry>(control)) {
    return FromWx(entry->GetValue());
  }
  if (auto* status = As<StatusLine>(control)) {
    return FromWx(status->GetText());
  }
  return control != nullptr ? FromWx(control->GetLabel()) : std::string();
}

void WxDialogWindow::SetControlText(int id, const std::string& text) {
  ChangeGuard guard(m_changing);
  wxWindow* control = Find(id);
  if (auto* entry = As<wxTextEntry>(control)) {
    entry->ChangeValue(ToWx(text));
  } else if (auto* status = As<StatusLine>(control)) {
    status->SetText(ToWx(text));
  } else if (control != nullptr) {
    control->SetLabel(ToWx(text));
  }
}

void WxDialogWindow::SetControlTextNow(int id, const std::string& text) {
  SetControlText(id, text);
  if (wxWindow* control = Find(id)) {
    control->Update();
  }
}

bool WxDialogWindow::IsChecked(int id) {
  wxWindow* control = Find(id);
  if (auto* check = As<wxCheckBox>(control)) {
    return check->GetValue();
  }
  if (auto* radio = As<wxRadioButton>(control)) {
    return radio->GetValue();
  }
  return false;
}

void WxDialogWindow::SetCheck(int id, bool checked) {
  wxWindow* control = Find(id);
  if (auto* check = As<wxCheckBox>(control)) {
    check->SetValue(checked);
  } else if (auto* radio = As<wxRadioButton>(control)) {
    if (checked) {
      radio->SetValue(true);
    } else if (radio->GetValue()) {
      // A radio is unchecked by checking another of its group: the hidden one that
      // stands for none (see CreateTemplateControls).
      wxRadioButton* none = radio->GetLastInGroup();
      if (none != nullptr && none != radio && !none->IsShown()) {
        none->SetValue(true);
      }
    }
  }
}

// GTK leaves the focus nowhere when the control that has it is disabled, and keys then
// reach no control: the default button takes it over, so that Enter and Space still
// press Start (停止 during a run).
void WxDialogWindow::EnableControl(int id, bool enabled) {
  wxWindow* control = Find(id);
  if (control == nullptr) {
    return;
  }
  const bool losesFocus =
      !enabled && m_dialog != nullptr && Contains(*control, wxWindow::FindFocus());
  control->Enable(enabled);
  if (losesFocus) {
    wxWindow* button = m_dialog->GetDefaultItem();
    if (button != nullptr && button->IsEnabled()) {
      button->SetFocus();
    }
  }
}

void WxDialogWindow::FocusAndSelectAll(int id) {
  wxWindow* control = Find(id);
  if (control == nullptr) {
    return;
  }
  auto* text = As<wxTextCtrl>(control);
  if (text == nullptr || wxWindow::FindFocus() == text) {
    control->SetFocus();
    if (text != nullptr) {
      text->SelectAll();
    }
    return;
  }
  // The focus arrives later, and wx then puts back the edit's earlier caret; select
  // once it has arrived, and only then: each selection takes X's PRIMARY selection,
  // and GTK clears the older one's when it hands PRIMARY on.
  auto selectOnArrival = [text](wxFocusEvent& event) {
    event.Skip();
    text->CallAfter([text] { text->SelectAll(); });
  };
  text->Bind(wxEVT_SET_FOCUS, selectOnArrival);
  text->SetFocus();
  text->CallAfter([text, selectOnArrival] { text->Unbind(wxEVT_SET_FOCUS, selectOnArrival); });
}

void WxDialogWindow::ResetComboContent(int id) {
  ChangeGuard guard(m_changing);
  if (auto* combo = As<wxOwnerDrawnComboBox>(Find(id))) {
    combo->Clear();
    combo->ChangeValue(wxString());
  }
}

void WxDialogWindow::AddComboString(int id, const std::string& item) {
  ChangeGuard guard(m_changing);
  if (auto* combo = As<wxOwnerDrawnComboBox>(Find(id))) {
    combo->Append(ToWx(item));
  }
}

std::vector<std::string> WxDialogWindow::GetComboItems(int id) {
  std::vector<std::string> items;
  if (auto* combo = As<wxOwnerDrawnComboBox>(Find(id))) {
    for (unsigned i = 0; i < combo->GetCount(); ++i) {
      items.push_back(FromWx(combo->GetString(i)));
    }
  }
  return items;
}

int WxDialogWindow::GetComboSelection(int id) {
  auto* combo = As<wxOwnerDrawnComboBox>(Find(id));
  return combo != nullptr ? combo->GetSelection() : -1;
}

void WxDialogWindow::SetComboSelection(int id, int index) {
  ChangeGuard guard(m_changing);
  auto* combo = As<wxOwnerDrawnComboBox>(Find(id));
  if (combo != nullptr && index >= -1 && index < static_cast<int>(combo->GetCount())) {
    combo->SetSelection(index);  // wxNOT_FOUND (-1) selects nothing
  }
}

int WxDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                               unsigned style) {
  // GTK keeps the dialog from taking input while any modal box is up, owned or not.
  wxWindow* owner = (style & mb::kTaskModal) != 0 ? nullptr : m_dialog;
  return ShowMessageBox(owner, text, caption, style);
}

std::optional<std::string> WxDialogWindow::ShowFileDialog(const FileDialogRequest& request) {
  return wx::ShowFileDialog(m_dialog, request);
}

void WxDialogWindow::ShowAboutBox() {
  AboutBox about(m_dialog);
  about.ShowModal();
}

void WxDialogWindow::Beep(unsigned /*type*/) {
  wxBell();  // X has one bell; the sounds of the message-box styles all ring it
}

std::int16_t WxDialogWindow::GetKeyState(int virtualKey) {
  const wxKeyCode key = WxKeyOf(virtualKey);
  if (key == WXK_NONE || !wxGetKeyState(key)) {
    return 0;
  }
  return static_cast<std::int16_t>(0xFF80);
}

void WxDialogWindow::CloseWindow() {
  if (m_dialog == nullptr) {
    return;
  }
  if (m_dialog->IsModal()) {
    m_dialog->EndModal(res::IDCANCEL);
  } else {
    m_dialog->Hide();
  }
}

void WxDialogWindow::SetIcon(int /*iconResource*/, bool big) {
  wxIcon icon;
  icon.CopyFromBitmap(ApplicationIcon(big ? 32 : 16));
  m_icons.AddIcon(icon);
  if (m_dialog != nullptr) {
    m_dialog->SetIcons(m_icons);
  }
}

void WxDialogWindow::AppendAboutToSystemMenu(int commandId, const std::string& text) {
  m_systemMenu.push_back({commandId, text});
}

}  // namespace harrowlander::wx
