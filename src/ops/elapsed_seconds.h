#pragma once

#include <cstdint>
#include <string>

#include "ports/system_info.h"

namespace harrowlander {

// Seconds since the start tick, "%0.3f". The difference is taken in 32 bits, so a wrap
// of the tick counter in between still gives the right duration.
std::string ElapsedSeconds(SystemInfo& system, std::uint32_t startTick);

}  // namespace harrowlander
