#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

// The tests run wx in this process: one application object for all of them, events
// processed by the tests themselves while they wait.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    return 2;
  }
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
