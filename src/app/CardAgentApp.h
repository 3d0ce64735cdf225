#pragma once
// The one application object: start-up checks, the single-instance semaphore,
// the agent window, and the release of the semaphore at the end.

#include <string>

#include "agent/AgentWindow.h"
#include "platform/Kernel.h"
#include "platform/Platform.h"

namespace kardello {

class CardAgentApp {
public:
    // Registers "VARNO Kardello" and "TaskbarCreated" before any window exists.
    explicit CardAgentApp(Platform& platform);

    // `arguments`: the command line after the program name and the blanks after it.
    // true: run the message loop; false: end at once.
    bool Startup(const std::string& arguments);
    // The exit code, always 0.
    int Shutdown();

    static bool IsCplArgument(const std::string& arguments);

    AgentWindow* MainWindow() const { return mainWindow_; }

private:
    Platform& platform_;
    RegisteredMessages messages_;
    // This copy's own semaphore, once made.
    KernelObject instanceSemaphore_;
    AgentWindow* mainWindow_ = nullptr;
};

}  // namespace kardello
