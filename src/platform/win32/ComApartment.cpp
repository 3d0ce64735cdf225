#include "platform/win32/ComApartment.h"

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WinApi.h"
#include <objbase.h>

namespace kardello {

ComApartment::ComApartment() {
    using Initialize = HRESULT(WINAPI*)(LPVOID, DWORD);
    const auto initialize = reinterpret_cast<Initialize>(
        reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoInitializeEx")));
    // S_FALSE (already so on this thread) is counted too, and undone as well.
    entered_ = initialize != nullptr &&
               SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

ComApartment::~ComApartment() {
    if (!entered_) return;
    using Uninitialize = void(WINAPI*)();
    if (const auto uninitialize = reinterpret_cast<Uninitialize>(
            reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoUninitialize"))))
        uninitialize();
}

}  // namespace kardello
