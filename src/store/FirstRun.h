#pragma once
#include <string>

#include "platform/Registry.h"

namespace kardello {

// On a first run (no PATH1 value in the agent key) writes `notRegistered` to all
// fifteen application values, EXE1, PATH1, APPNAME1 ... APPNAME5, whatever they held.
// Only PATH1 is tested, and only its absence counts: a PATH1 that is there but cannot
// be read is left as it is, with every other value. Write failures are ignored.
void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered);

}  // namespace kardello
