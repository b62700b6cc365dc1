#include "tools/process_launch.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// The dialog stays blocked until the utility is closed; a failure to start it has
// already been shown by the launch.
void CHarrowlanderDlg::OnConfigureClient() {
  const ProgramInvocation utility = m_platform.clientUtility.Prepare();
  RunProcessAndWait(m_platform, utility.applicationPath, utility.commandLine);
}

}  // namespace harrowlander
