#include <cerrno>
#include <ctime>

#include "platform/posix/posix_system_info.h"

namespace harrowlander::posix {

void PosixSystemInfo::Sleep(unsigned milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace harrowlander::posix
