#pragma once
// What the benchmark programs share: the simulated card reader driven as `vrsim` drives
// it, and the keys that the agent and the stand-in photo application read.

#include "agentctl/Driving.h"  // windows.h first

#include <string>
#include <vector>

#include "platform/win32/Win32Registry.h"
#include "simreader/SimCommand.h"
#include "store/AgentKey.h"
#include "store/AgentValues.h"
#include "store/PhotoAppValues.h"
#include "store/RegistryKey.h"

namespace kardello::bench {

inline bool Sim(const std::vector<std::string>& args) {
    Win32Registry registry;
    return simreader::RunSimCommand(registry, args).exitCode == 0;
}

// The agent's caption and what a new card does, and the stand-in as the photo application.
// Through the agent's own store, so that the keys land in the view it reads.
inline bool WriteBenchKeys(unsigned directExec) {
    Win32Registry registry;
    RegistryKey agentKey(registry, schema::kAgentRoot, schema::kAgentKey);
    RegistryKey photoKey(registry, schema::kPhotoAppRoot, schema::kPhotoAppKey);
    return agentKey.WriteString(schema::kCaption, "VARNO Kardello Agent") &&
           agentKey.WriteNumber(schema::kDirectExec, directExec) &&
           photoKey.WriteString(schema::kPhotoAppPath, driving::BuildPath("tools/fotimo.exe")) &&
           photoKey.WriteString(schema::kPhotoAppCaption, "VARNO Fotimo Running");
}

}  // namespace kardello::bench
