#pragma once

#include "ports/client_utility.h"

namespace harrowlander::posix {

// FreeTDS takes the place of the SQL Server client network utility: the user's
// ~/.freetds.conf, opened in the desktop's text editor (xdg-open). A missing file is
// first created from a commented template, so that the editor has something to show.
class FreeTdsClientUtility : public ClientUtility {
 public:
  ProgramInvocation Prepare() override;
};

}  // namespace harrowlander::posix
