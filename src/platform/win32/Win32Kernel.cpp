#include "platform/win32/Win32Kernel.h"

#include "platform/win32/WinApi.h"

namespace kardello {

namespace {

HANDLE Native(KernelHandle handle) { return reinterpret_cast<HANDLE>(handle); }
KernelHandle Portable(HANDLE handle) { return reinterpret_cast<KernelHandle>(handle); }

}  // namespace

KernelHandle Win32Kernel::OpenSemaphore(const std::string& name, bool* denied) {
    HANDLE semaphore = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, Wide(name).c_str());
    const DWORD error = GetLastError();
    if (denied != nullptr) *denied = semaphore == nullptr && error == ERROR_ACCESS_DENIED;
    return Portable(semaphore);
}

KernelHandle Win32Kernel::CreateSemaphore(long initial, long maximum, const std::string& name,
                                          bool* existed) {
    HANDLE semaphore = CreateSemaphoreW(nullptr, initial, maximum, Wide(name).c_str());
    // Read at once: nothing may run between the call and its last error.
    const DWORD error = GetLastError();
    if (existed != nullptr)
        *existed = semaphore != nullptr ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    return Portable(semaphore);
}

bool Win32Kernel::ReleaseSemaphore(KernelHandle semaphore, long count) {
    return ::ReleaseSemaphore(Native(semaphore), count, nullptr) != FALSE;
}

std::uint32_t Win32Kernel::Wait(KernelHandle object, std::uint32_t milliseconds) {
    return WaitForSingleObject(Native(object), milliseconds);
}

void Win32Kernel::Close(KernelHandle object) {
    if (object != nullptr) CloseHandle(Native(object));
}

}  // namespace kardello
