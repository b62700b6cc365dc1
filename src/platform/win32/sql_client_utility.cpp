#include "platform/win32/sql_client_utility.h"

namespace harrowlander::win32 {

ProgramInvocation SqlClientUtility::Prepare() {
  return {R"(c:\winnt\system32\cliconfg.exe)", " -?"};
}

}  // namespace harrowlander::win32
