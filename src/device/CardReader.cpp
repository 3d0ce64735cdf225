#include "device/CardReader.h"

#include <cstring>
#include <string>
#include <vector>

#include "store/DriverInstanceKey.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

std::uint32_t RoomFor(int count) {
    return count > 0 ? static_cast<std::uint32_t>(count) * kCardRecordSize : 0;
}

}  // namespace

bool CardReader::IsNtFamily() const { return system_.PlatformId() == kPlatformWin32Nt; }

bool CardReader::EnumerateCards(CardRecord* records, int& count) const {
    return Query(CurrentFamily(), records, count);
}

bool CardReader::Query(Family family, CardRecord* records, int& count) const {
    return family == Family::Nt ? QueryInstanceDevices(records, count)
                                : QueryControlDevice(records, count);
}

CardReader::Reply CardReader::Ask(const char* path, std::uint32_t code, std::uint8_t* buffer,
                                  std::uint32_t room, std::uint32_t& bytes) const {
    const Device device(devices_, devices_.Open(path, kGenericReadWrite, kFileShareReadWrite, kOpenExisting));
    if (!device) return Reply::NotOpened;
    std::uint32_t returned = 0;
    if (!devices_.Control(device.Get(), code, buffer, room, &returned)) return Reply::Failed;
    bytes = returned < room ? returned : room;
    return Reply::Answered;
}

bool CardReader::QueryControlDevice(CardRecord* records, int& count) const {
    const std::uint32_t room = RoomFor(count);
    std::memset(records, 0, room);
    std::vector<std::uint8_t> reply(room);
    std::uint32_t bytes = 0;
    // The open and the call fail alike: nothing is counted.
    if (Ask(kControlDevice, kControlCode, reply.data(), room, bytes) != Reply::Answered) {
        return false;
    }
    if (bytes / kCardRecordSize > static_cast<std::uint32_t>(kWin95RecordCap)) {
        bytes = kWin95RecordCap * kCardRecordSize;
    }
    std::memcpy(records, reply.data(), bytes);
    count = static_cast<int>(bytes / kCardRecordSize);
    return true;
}

bool CardReader::QueryInstanceDevices(CardRecord* records, int& count) const {
    const std::uint32_t room = RoomFor(count);
    std::memset(records, 0, room);
    RegistryKey instances(registry_);
    if (instances.OpenExisting(schema::kDriverInstanceRoot, schema::kDriverInstanceKey) !=
        kErrorSuccess) {
        return false;
    }
    std::vector<std::uint8_t> reply(room);
    int filled = 0;
    for (int i = 0; i < count; ++i) {
        std::string name;
        if (!instances.ReadString(std::to_string(i).c_str(), name)) continue;
        const std::string path = "\\\\.\\" + name;
        std::uint32_t bytes = 0;
        const Reply outcome = Ask(path.c_str(), kInstanceCode, reply.data(), room, bytes);
        if (outcome == Reply::NotOpened) continue;  // skipped, as an unreadable name is
        if (outcome == Reply::Failed) return false;  // count as it was; copies so far stay
        // The instances together may answer more than the table holds: keep what fits.
        const std::uint32_t left = RoomFor(count - filled);
        if (bytes > left) bytes = left;
        std::memcpy(reinterpret_cast<std::uint8_t*>(records) + filled * kCardRecordSize,
                    reply.data(), bytes);
        filled += static_cast<int>(bytes / kCardRecordSize);
    }
    count = filled;
    return true;
}

}  // namespace kardello
