#pragma once

// The machine's own GBK converter, which the tests of the settings file run against.
#ifdef _WIN32
#include "platform/win32/code_page_text_codec.h"
namespace harrowlander::testing {
using NativeTextCodec = win32::CodePageTextCodec;
}
#else
#include "platform/posix/iconv_text_codec.h"
namespace harrowlander::testing {
using NativeTextCodec = posix::IconvTextCodec;
}
#endif
