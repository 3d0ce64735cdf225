#pragma once
// The registry-only commands of vrsim, separate from the device I/O so that they
// run the same way in native tests.

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace kardello::simreader {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the registry refused
constexpr int kExitUsage = 2;   // bad arguments; nothing was changed

struct CommandResult {
    int exitCode = kExitOk;
    std::string out;
    std::string err;
};

// args excludes the program name. Returns kExitUsage for an unknown command.
CommandResult RunSimCommand(IRegistry& registry, const std::vector<std::string>& args);
bool IsSimCommand(const std::string& name);
std::string SimUsage();

}  // namespace kardello::simreader
