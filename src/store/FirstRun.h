#pragma once
// Defined in RegistryKey.cpp, with the agent's key.

#include <string>

#include "platform/Registry.h"

namespace kardello {

class RegistryKey;

// On a first run (no PATH1 value in the agent key) writes `notRegistered` to all
// fifteen application values, EXE1, PATH1, APPNAME1 ... APPNAME5, whatever they held.
// Only PATH1 is tested, and only its absence counts: a PATH1 that is there but cannot
// be read is left as it is, with every other value. Write failures are ignored.
void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered);

// Slot n's name as the windows show it: `notRegistered` while its PATHn is there but
// cannot be used (longer than the limit, not text), which no first run repairs and
// nothing writes; otherwise APPNAMEn read into `name`, left alone when that fails.
void ReadShownSlotName(const RegistryKey& store, int slot, const std::string& notRegistered,
                       std::string& name);

}  // namespace kardello
