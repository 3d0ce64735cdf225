#pragma once
// The simulated card reader driven from a test program, as `vrsim` drives it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Registry.h"
#include "simreader/SimCommand.h"

namespace kardello::wine {

inline void Sim(const std::vector<std::string>& args) {
    Win32Registry registry;
    const auto result = simreader::RunSimCommand(registry, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace kardello::wine
