#pragma once
// What the end-to-end test programs share: the keys they look at, the stand-in
// photo application's title, and the simulated card reader driven as `vrsim`
// drives it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Registry.h"
#include "simreader/SimCommand.h"

namespace kardello::wine {

constexpr const char* kAgentKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kPhotoKey = "Software\\VARNO\\VARNO Fotimo";
// Where a test switches the agent to the Windows 95 family.
constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\kardello.exe";
constexpr const char* kFotimoTitle = "VARNO Fotimo (simulado)";

inline void Sim(const std::vector<std::string>& args) {
    Win32Registry registry;
    const auto result = simreader::RunSimCommand(registry, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace kardello::wine
