#pragma once
// Queries of the card reader's driver. Keeps no state between calls: every query
// opens its device, makes one control call and closes it again.

#include "device/CardRecord.h"
#include "platform/DeviceIo.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace kardello {

// The two query variants: the instance devices (NT family) or the control device.
enum class Family { Nt = 0, Win95 = 1 };

class CardReader {
public:
    static constexpr const char* kControlDevice = "\\\\.\\VRUSBMSC";
    static constexpr std::uint32_t kControlCode = 1;              // METHOD_IN_DIRECT
    static constexpr std::uint32_t kInstanceCode = 0x220004;      // METHOD_BUFFERED
    static constexpr int kWin95RecordCap = 5;

    CardReader(IRegistry& registry, IDeviceIo& devices, ISystemInfo& system)
        : registry_(registry), devices_(devices), system_(system) {}

    bool IsNtFamily() const;
    Family CurrentFamily() const { return IsNtFamily() ? Family::Nt : Family::Win95; }

    // records has room for count records; on success count becomes the number filled.
    // On failure count is left as it was.
    bool EnumerateCards(CardRecord* records, int& count) const;
    // The variant of `family`, asked for by name.
    bool Query(Family family, CardRecord* records, int& count) const;
    bool QueryControlDevice(CardRecord* records, int& count) const;
    bool QueryInstanceDevices(CardRecord* records, int& count) const;

private:
    enum class Reply { NotOpened, Failed, Answered };
    // One control call into a private buffer of `room` bytes; `bytes` is the count
    // the buffer really holds (a driver's count beyond the buffer is not trusted).
    Reply Ask(const char* path, std::uint32_t code, std::uint8_t* buffer, std::uint32_t room,
              std::uint32_t& bytes) const;

    IRegistry& registry_;
    IDeviceIo& devices_;
    ISystemInfo& system_;
};

}  // namespace kardello
