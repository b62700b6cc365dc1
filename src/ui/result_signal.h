#pragma once

#include "ports/dialog_window.h"

namespace harrowlander {

// The sound that tells the user how an operation ended (an OperationResult): the
// question sound when it ran to its end, the simple beep when it stopped on an error or
// a refusal, and nothing for any other result.
void SignalOperationResult(DialogWindow& window, int result);

}  // namespace harrowlander
