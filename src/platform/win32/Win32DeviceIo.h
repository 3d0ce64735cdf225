#pragma once
#include "platform/DeviceIo.h"

namespace kardello {

class Win32DeviceIo final : public IDeviceIo {
public:
    DeviceHandle Open(const char* path, std::uint32_t access, std::uint32_t share,
                      std::uint32_t disposition) override;
    bool Control(DeviceHandle device, std::uint32_t code, void* out, std::uint32_t outSize,
                 std::uint32_t* returned) override;
    void Close(DeviceHandle device) override;
};

}  // namespace kardello
