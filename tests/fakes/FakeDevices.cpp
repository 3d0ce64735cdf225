#include "fakes/FakeDevices.h"

#include <algorithm>
#include <cstring>

namespace kardello::test {

CardRecord MakeRecord(std::uint8_t status, const std::string& serial, char letter,
                      std::uint16_t extend) {
    CardRecord record{};
    record.status = status;
    record.extendStatus = extend;
    record.driveLetter = letter;
    std::memcpy(record.serialNo, serial.data(), std::min(serial.size(), sizeof record.serialNo));
    return record;
}

std::vector<std::uint8_t> Bytes(const std::vector<CardRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * sizeof(CardRecord));
    if (!records.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
    return bytes;
}

DeviceHandle FakeDevices::Open(const char* path, std::uint32_t access, std::uint32_t share,
                               std::uint32_t disposition) {
    opens_.push_back({path, access, share, disposition});
    if (!devices_.count(path)) return nullptr;
    const std::uintptr_t handle = next_++;
    open_[handle] = path;
    return reinterpret_cast<DeviceHandle>(handle);
}

bool FakeDevices::Control(DeviceHandle device, std::uint32_t code, void* out,
                          std::uint32_t outSize, std::uint32_t* returned) {
    auto handle = open_.find(reinterpret_cast<std::uintptr_t>(device));
    if (handle == open_.end()) return false;
    calls_.push_back({handle->second, code, outSize});
    Device* target = Find(handle->second);
    if (target == nullptr || target->fail || code != target->code) return false;
    const auto bytes = std::min<std::size_t>(target->reply.size(), outSize);
    if (bytes > 0) std::memcpy(out, target->reply.data(), bytes);
    *returned = target->report.value_or(static_cast<std::uint32_t>(bytes));
    return true;
}

void FakeDevices::Close(DeviceHandle device) {
    if (!open_.erase(reinterpret_cast<std::uintptr_t>(device))) ++badCloses_;
}

FakeDevices::Device& FakeDevices::Add(const std::string& path, std::uint32_t code) {
    Device& device = devices_[path];
    device.code = code;
    return device;
}

FakeDevices::Device* FakeDevices::Find(const std::string& path) {
    auto found = devices_.find(path);
    return found == devices_.end() ? nullptr : &found->second;
}

}  // namespace kardello::test
