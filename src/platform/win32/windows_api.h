#pragma once

// <windows.h> for the adapters. Its A/W switch macros CopyFile, DeleteFile and
// MessageBox would rename the port methods of the same names in every file that sees
// them, so they are taken back here; the adapters call the W functions by their names.
#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef MessageBox
