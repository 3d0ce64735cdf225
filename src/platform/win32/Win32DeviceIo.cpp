#include "platform/win32/Win32DeviceIo.h"

#include "platform/win32/WinApi.h"

namespace kardello {

DeviceHandle Win32DeviceIo::Open(const char* path, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t disposition) {
    HANDLE handle = CreateFileW(Wide(path != nullptr ? path : "").c_str(), access, share, nullptr, disposition, 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<DeviceHandle>(handle);
}

bool Win32DeviceIo::Control(DeviceHandle device, std::uint32_t code, void* out,
                            std::uint32_t outSize, std::uint32_t* returned) {
    DWORD bytes = 0;
    const BOOL ok = DeviceIoControl(reinterpret_cast<HANDLE>(device), code, nullptr, 0, out, outSize,
                                    &bytes, nullptr);
    *returned = bytes;
    return ok != FALSE;
}

void Win32DeviceIo::Close(DeviceHandle device) { CloseHandle(reinterpret_cast<HANDLE>(device)); }

}  // namespace kardello
