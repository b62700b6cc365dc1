#pragma once

// The templates' ids for code that also includes <windows.h>, whose IDOK and IDCANCEL
// are macros: the core's constants are declared with the macros set aside. Such code
// names those two buttons by the macros, which have the same values.
#pragma push_macro("IDOK")
#pragma push_macro("IDCANCEL")
#undef IDOK
#undef IDCANCEL
#include "res/resource_ids.h"
#pragma pop_macro("IDCANCEL")
#pragma pop_macro("IDOK")
