#pragma once

#include <array>

#include "res/resource_ids.h"

namespace harrowlander {

// The mode radio group in group order; a radio's index is the value of m_nMode.
inline constexpr std::array<int, 5> kModeRadios = {res::IDC_MODE_BACKUP, res::IDC_MODE_RESTORE,
                                                   res::IDC_MODE_DELETE, res::IDC_MODE_SHRINK,
                                                   res::IDC_MODE_DROP_TABLES};

}  // namespace harrowlander
