#pragma once
// Libraries that only a rare command needs are loaded when it first runs, and every
// library loaded at run time comes from the system folder: a DLL planted beside the
// program or in the current folder is never taken.

#include "platform/win32/WinApi.h"

namespace kardello {

// At start, before anything loads a library by name.
void RestrictLibrarySearch();

// The function `name` of the system library `library`, which is loaded on first use
// and kept for the life of the process; null when either is missing.
FARPROC SystemFunction(const char* library, const char* name);

}  // namespace kardello
