#pragma once
// Sets what the simulated card reader's devices answer, straight in the driver's
// service key, which the driver reads again at every request.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/CardRecord.h"

namespace kardello::wine {

constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK";
constexpr const char* kSimKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Sim";
constexpr const char* kInstanceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Instance";
constexpr int kSimDevices = 8;

CardRecord Card(std::uint8_t status, const std::string& serial, char letter, std::uint16_t extend);
std::vector<std::uint8_t> Bytes(const std::vector<CardRecord>& records);

// Every instance value and every answer removed: nothing listed, devices answer 0 bytes.
void ClearSim();
void ListInstance(int index, const std::string& name);
void UnlistInstance(int index);
void DeleteInstanceKey();
// `who`: "Control" or "Dev0".."Dev7".
void SetReply(const std::string& who, const std::vector<std::uint8_t>& bytes);
void SetFlag(const std::string& name, std::uint32_t value);  // e.g. "ControlFail", "Absent"

}  // namespace kardello::wine
