#include "platform/win32/SystemLibrary.h"

#include <string>

namespace kardello {

void RestrictLibrarySearch() {
    // Windows 7 without KB2533623 lacks it; there the current folder at least leaves
    // the search order.
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

FARPROC SystemFunction(const char* library, const char* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || library == nullptr) return nullptr;
    // By full path: the program's and the current folder are never searched, and the
    // library's own imports are looked for beside it first.
    const WideString path = WideString(folder, length) + L"\\" + Wide(library);
    HMODULE module = GetModuleHandleW(path.c_str());
    if (module == nullptr) module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

}  // namespace kardello
