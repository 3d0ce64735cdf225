#pragma once
#include <cstdint>
#include <string>

#include "platform/Owned.h"

namespace kardello {

struct KernelObjectTag;
using KernelHandle = KernelObjectTag*;  // null: none

constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 0x102;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;

class IKernel {
public:
    virtual ~IKernel() = default;
    // OpenSemaphoreW with SEMAPHORE_ALL_ACCESS, not inheritable. `denied` (may be null)
    // tells whether a semaphore of that name exists but may not be opened so
    // (ERROR_ACCESS_DENIED): one made by a program with other rights, such as an
    // elevated one.
    virtual KernelHandle OpenSemaphore(const std::string& name, bool* denied) = 0;
    // CreateSemaphoreW without security attributes. `existed` (may be null) tells
    // whether the name was already taken: as GetLastError's ERROR_ALREADY_EXISTS
    // says, or by a semaphore this program may not open (no handle, ERROR_ACCESS_DENIED).
    virtual KernelHandle CreateSemaphore(long initial, long maximum, const std::string& name,
                                         bool* existed) = 0;
    virtual bool ReleaseSemaphore(KernelHandle semaphore, long count) = 0;
    virtual std::uint32_t Wait(KernelHandle object, std::uint32_t milliseconds) = 0;
    virtual void Close(KernelHandle object) = 0;
};

// A kernel object closed when its owner goes.
using KernelObject = Owned<KernelHandle, IKernel, &IKernel::Close>;

}  // namespace kardello
