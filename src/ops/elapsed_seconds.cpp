#include "ops/elapsed_seconds.h"

#include <cstdio>

namespace harrowlander {

std::string ElapsedSeconds(SystemInfo& system, std::uint32_t startTick) {
  const std::uint32_t elapsed = system.TickCount() - startTick;
  char text[32];
  std::snprintf(text, sizeof text, "%0.3f", elapsed * 0.001);
  return text;
}

}  // namespace harrowlander
