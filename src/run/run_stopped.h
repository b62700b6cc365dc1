#pragma once

#include <exception>

#include "run/stop_request.h"

namespace harrowlander {

// Thrown where a run stops on request; it unwinds through the run's clean-up to the
// operation's end, which reports the stop.
class RunStopped : public std::exception {
 public:
  const char* what() const noexcept override { return "the run was stopped on request"; }
};

// A point where the run may stop: throws RunStopped when a stop was requested.
inline void StopHereIfRequested(StopRequest& stop) {
  if (stop.Acknowledge()) {
    throw RunStopped();
  }
}

}  // namespace harrowlander
