#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/odcombo.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <set>
#include <string>

#include "main_window_fixture.h"
#include "ui/dialog_controls.h"

namespace harrowlander::wx::testing {
namespace {

namespace fs = std::filesystem;

// A settings file whose mode is none of the five radios, as only a damaged or foreign
// file can hold. A database is named, so that a Backup run would show its file dialog.
class UnknownModeWindowTest : public MainWindowTest {
 protected:
  void BeforeOpening() override {
    CHarrowlanderDlg writer(adapters->ports);
    writer.m_nMode = 7;
    writer.m_strDatabase = "Sales";
    ASSERT_TRUE(writer.SerializeSettings(true));
  }
};

TEST_F(UnknownModeWindowTest, NoRadioIsCheckedAndStartRunsNothingUntilOneIs) {
  for (int radio : kModeRadios) {
    EXPECT_FALSE(Checked(radio)) << radio;
  }
  EXPECT_EQ(Text(IDOK), "");
  EXPECT_EQ(EnabledAmong(kModeControls), std::set<int>{});

  // Anything a run would show is closed again at once, so that a wrong run ends.
  WindowDriver::WhenShown shown([](wxDialog& dialog) { dialog.EndModal(wxID_CANCEL); });
  driver.Click(C(IDOK));
  driver.Pump(1500);
  EXPECT_FALSE(shown.done());
  EXPECT_EQ(dlg->m_nMode, kModeNone);
  EXPECT_FALSE(dlg->IsRunning());
  EXPECT_EQ(Text(IDC_STATUS), "");

  driver.Click(C(IDC_MODE_RESTORE));
  EXPECT_TRUE(Checked(IDC_MODE_RESTORE));
  EXPECT_FALSE(Checked(IDC_MODE_BACKUP));
  EXPECT_EQ(dlg->m_nMode, kModeRestore);
  EXPECT_EQ(Text(IDOK), "还原");
}

TEST_F(MainWindowTest, ClosingTheWindowFromItsTitleBarSavesNothing) {
  C(IDC_NET_USER).SetFocus();
  driver.Type("admin");
  driver.Click(C(IDC_MODE_SHRINK));
  window->Close();  // what the window manager's close button asks for
  EXPECT_TRUE(driver.WaitFor([this] { return !window->IsShown(); }));
  EXPECT_FALSE(fs::exists(SettingsDirectory() / "Harrowlander.dat"));
}

// Pastes with Ctrl+V into the edit, as a person pastes.
void Paste(WindowDriver& driver, wxTextCtrl& edit, const wxString& text) {
  ASSERT_TRUE(wxTheClipboard->Open());
  wxTheClipboard->SetData(new wxTextDataObject(text));
  wxTheClipboard->Close();
  edit.SetFocus();
  edit.SelectAll();
  driver.Pump(100);
  driver.Key('v', wxMOD_CONTROL);
  driver.Pump(200);
}

TEST_F(MainWindowTest, SavedFieldsRefuseCharactersGbkLacksAndTheArchivePasswordTakesThem) {
  const wxString pasted = wxString::FromUTF8("K\xC3\xA4se-pw\xF0\x9F\x98\x80中");  // Käse-pw😀中
  Paste(driver, dynamic_cast<wxTextCtrl&>(C(IDC_NET_PASSWORD)), pasted);
  EXPECT_EQ(Text(IDC_NET_PASSWORD), "Kse-pw中");

  // The server box's handler sees only what the box took.
  Paste(driver, *dynamic_cast<wxOwnerDrawnComboBox&>(C(IDC_SERVER)).GetTextCtrl(),
        wxString::FromUTF8("h\xC3\xB6st"));  // höst
  EXPECT_EQ(Text(IDC_SERVER), "hst");
  EXPECT_EQ(Text(IDC_NET_SERVER), "hst");

  driver.Click(C(IDC_COMPRESS_RAR));
  Paste(driver, dynamic_cast<wxTextCtrl&>(C(IDC_RAR_PASSWORD)), pasted);
  EXPECT_EQ(Text(IDC_RAR_PASSWORD), pasted.utf8_string());
}

}  // namespace
}  // namespace harrowlander::wx::testing
