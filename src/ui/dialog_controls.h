#pragma once

#include <array>

#include "res/resource_ids.h"

namespace harrowlander {

// The mode radio group in group order; a radio's index is the value of m_nMode.
inline constexpr std::array<int, 5> kModeRadios = {res::IDC_MODE_BACKUP, res::IDC_MODE_RESTORE,
                                                   res::IDC_MODE_DELETE, res::IDC_MODE_SHRINK,
                                                   res::IDC_MODE_DROP_TABLES};

// The controls whose text the settings file keeps. It holds text in GBK, so these take
// no character that GBK lacks.
inline constexpr std::array<int, 8> kSavedTextControls = {
    res::IDC_SERVER,     res::IDC_SQL_USER, res::IDC_SQL_PASSWORD, res::IDC_DATABASE,
    res::IDC_NET_SERVER, res::IDC_NET_USER, res::IDC_NET_PASSWORD, res::IDC_TABLE_KEYWORD};

}  // namespace harrowlander
