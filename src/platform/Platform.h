#pragma once
// Everything the system reaches Windows through, handed to each class that needs it.

#include "platform/DeviceIo.h"
#include "platform/Executor.h"
#include "platform/Kernel.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/User.h"

namespace kardello {

struct Platform {
    IRegistry& registry;
    IDeviceIo& devices;
    ISystemInfo& system;
    IKernel& kernel;
    IShell& shell;
    IUser& user;
    // Where the shell's starts, icons and bringing-forward run, off the window's thread.
    IExecutor& shellExecutor;
};

}  // namespace kardello
