#pragma once
// Where the agent's settings live: HKEY_LOCAL_MACHINE. Its values are in AgentValues.h.

#include "platform/Registry.h"

namespace kardello::schema {

constexpr RegRoot kAgentRoot = RegRoot::LocalMachine;
constexpr const char* kAgentKey = "Software\\VARNO\\VARNO Kardello";

}  // namespace kardello::schema
