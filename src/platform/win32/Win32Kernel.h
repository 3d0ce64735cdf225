#pragma once
#include "platform/Kernel.h"

namespace kardello {

class Win32Kernel final : public IKernel {
public:
    KernelHandle OpenSemaphore(const std::string& name, bool* denied) override;
    KernelHandle CreateSemaphore(long initial, long maximum, const std::string& name,
                                 bool* existed) override;
    bool ReleaseSemaphore(KernelHandle semaphore, long count) override;
    std::uint32_t Wait(KernelHandle object, std::uint32_t milliseconds) override;
    void Close(KernelHandle object) override;
};

}  // namespace kardello
