#include "SimDriverState.h"

#include <cstring>
#include <stdexcept>

#include "agentctl/Driving.h"

namespace kardello::wine {

namespace {

HKEY Open(const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error(std::string("cannot open ") + path);
    }
    return key;
}

void Set(const char* path, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = Open(path);
    const LONG status = RegSetValueExA(key, name.c_str(), 0, type,
                                       static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + name);
}

}  // namespace

CardRecord Card(std::uint8_t status, const std::string& serial, char letter, std::uint16_t extend) {
    CardRecord record{};
    record.status = status;
    record.extendStatus = extend;
    record.driveLetter = letter;
    std::memcpy(record.serialNo, serial.data(), serial.size() < 13 ? serial.size() : 13);
    return record;
}

std::vector<std::uint8_t> Bytes(const std::vector<CardRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * sizeof(CardRecord));
    if (!bytes.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
    return bytes;
}

void AwaitDevices(bool present);

void ClearSim() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSimKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kInstanceKey);
    RegCloseKey(Open(kSimKey));
    RegCloseKey(Open(kInstanceKey));
    AwaitDevices(true);
}

void ListInstance(int index, const std::string& name) {
    Set(kInstanceKey, std::to_string(index), REG_SZ, name.c_str(),
        static_cast<DWORD>(name.size() + 1));
}

void UnlistInstance(int index) {
    HKEY key = Open(kInstanceKey);
    RegDeleteValueA(key, std::to_string(index).c_str());
    RegCloseKey(key);
}

void DeleteInstanceKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kInstanceKey); }

void SetReply(const std::string& who, const std::vector<std::uint8_t>& bytes) {
    Set(kSimKey, who, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// The driver takes its devices away (or back) on its own clock: wait for it.
void AwaitDevices(bool present) {
    const bool followed = driving::WaitFor([present] {
        HANDLE device = CreateFileA("\\\\.\\VRUSBMSC", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool opens = device != INVALID_HANDLE_VALUE;
        if (opens) CloseHandle(device);
        return opens == present;
    }, 5000);
    if (!followed) throw std::runtime_error("the driver did not follow Absent");
}

void SetFlag(const std::string& name, std::uint32_t value) {
    Set(kSimKey, name, REG_DWORD, &value, sizeof value);
    if (name == "Absent") AwaitDevices(value == 0);
}

}  // namespace kardello::wine
