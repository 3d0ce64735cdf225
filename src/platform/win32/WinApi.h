#pragma once
// <windows.h> for the Win32 adapters and Windows-only tests. Its A/W macros would
// rename the interface methods of the same names, so they go.

#include <windows.h>

#undef CreateSemaphore
#undef OpenSemaphore
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef CreateFont
#undef DrawText
