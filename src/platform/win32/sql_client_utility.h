#pragma once

#include "ports/client_utility.h"

namespace harrowlander::win32 {

// The SQL Server client network utility at its fixed place in the system folder of the
// Windows generation the tool was made for; it is not looked for anywhere else.
class SqlClientUtility : public ClientUtility {
 public:
  ProgramInvocation Prepare() override;
};

}  // namespace harrowlander::win32
