#pragma once
#include <string>

#include "platform/Registry.h"

namespace kardello {

// On a first run (no PATH1 in the agent key) writes `notRegistered` to all fifteen
// application values, EXE1, PATH1, APPNAME1 ... APPNAME5, whatever they held.
// Only PATH1 is tested. Write failures are ignored.
void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered);

}  // namespace kardello
