#pragma once
// A scripted card reader driver: each device path answers what the test set,
// and every open, call and close is recorded.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/CardRecord.h"
#include "platform/DeviceIo.h"
#include "platform/SystemInfo.h"

namespace kardello::test {

CardRecord MakeRecord(std::uint8_t status, const std::string& serial, char letter = 'E',
                      std::uint16_t extend = 0);
std::vector<std::uint8_t> Bytes(const std::vector<CardRecord>& records);

class FakeDevices : public IDeviceIo {
public:
    struct Device {
        std::uint32_t code = 0;              // the one control code it answers
        std::vector<std::uint8_t> reply;     // what it answers, cut to the caller's buffer
        bool fail = false;                   // the control call fails
        std::optional<std::uint32_t> report; // a byte count to report instead of the true one
    };
    struct Call {
        std::string path;
        std::uint32_t code;
        std::uint32_t outSize;
    };
    struct OpenRequest {
        std::string path;
        std::uint32_t access, share, disposition;
    };

    DeviceHandle Open(const char* path, std::uint32_t access, std::uint32_t share,
                      std::uint32_t disposition) override;
    bool Control(DeviceHandle device, std::uint32_t code, void* out, std::uint32_t outSize,
                 std::uint32_t* returned) override;
    void Close(DeviceHandle device) override;

    Device& Add(const std::string& path, std::uint32_t code);
    void RemoveDevice(const std::string& path) { devices_.erase(path); }
    Device* Find(const std::string& path);

    std::size_t OpenHandles() const { return open_.size(); }
    int BadCloses() const { return badCloses_; }
    const std::vector<Call>& Calls() const { return calls_; }
    const std::vector<OpenRequest>& Opens() const { return opens_; }
    void ClearLog() { calls_.clear(); opens_.clear(); }

private:
    std::map<std::string, Device> devices_;  // device paths are matched exactly
    std::map<std::uintptr_t, std::string> open_;
    std::uintptr_t next_ = 0x10;
    int badCloses_ = 0;
    std::vector<Call> calls_;
    std::vector<OpenRequest> opens_;
};

class FakeSystemInfo : public ISystemInfo {
public:
    std::uint32_t platformId = kPlatformWin32Nt;
    int asked = 0;
    std::uint32_t PlatformId() override {
        ++asked;
        return platformId;
    }
    std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
    bool VolumeName(const std::string& root, std::string& name) override {
        volumeQueries.push_back(root);
        auto found = volumes.find(root);
        if (found == volumes.end()) return false;
        name = found->second;
        return true;
    }
    std::map<std::string, std::string> volumes;  // root ("E:\\") -> volume name
    std::vector<std::string> volumeQueries;
    std::uint32_t ConsoleSession() override {
        ++sessionQueries;
        return consoleSession;
    }
    bool OwnSession(std::uint32_t& session) override {
        if (ownSessionUnknown) return false;
        session = ownSession;
        return true;
    }
    std::uint32_t consoleSession = 1;  // another number: another user's session is at the console
    std::uint32_t ownSession = 1;
    bool ownSessionUnknown = false;
    int sessionQueries = 0;
};

}  // namespace kardello::test
