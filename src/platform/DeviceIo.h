#pragma once
// Device I/O as the card reader needs it: open by path, one synchronous control call, close.

#include <cstdint>

#include "platform/Owned.h"

namespace kardello {

struct DeviceTag;
using DeviceHandle = DeviceTag*;  // null: the open failed

constexpr std::uint32_t kGenericReadWrite = 0xC0000000u;
constexpr std::uint32_t kFileShareReadWrite = 3;
constexpr std::uint32_t kOpenExisting = 3;

class IDeviceIo {
public:
    virtual ~IDeviceIo() = default;
    // CreateFileW(path, access, share, no security, disposition, flags 0, no template).
    virtual DeviceHandle Open(const char* path, std::uint32_t access, std::uint32_t share,
                              std::uint32_t disposition) = 0;
    // DeviceIoControl without input and without overlapped I/O. *returned receives the
    // byte count the driver reported, which a faulty driver may set beyond outSize.
    virtual bool Control(DeviceHandle device, std::uint32_t code, void* out,
                         std::uint32_t outSize, std::uint32_t* returned) = 0;
    virtual void Close(DeviceHandle device) = 0;
};

// A device closed when its owner goes.
using Device = Owned<DeviceHandle, IDeviceIo, &IDeviceIo::Close>;

}  // namespace kardello
