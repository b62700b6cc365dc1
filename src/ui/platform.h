#pragma once

#include "ports/dialog_window.h"
#include "ports/file_system.h"
#include "ports/system_info.h"
#include "ports/text_codec.h"

namespace harrowlander {

// The ports the dialog and its operations reach the outside world through. The
// front end owns the adapters; the dialog only borrows them.
struct Platform {
  DialogWindow& window;
  SystemInfo& system;
  FileSystem& files;
  TextCodec& codec;
};

}  // namespace harrowlander
