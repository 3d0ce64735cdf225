#pragma once
// The one application object: start-up checks, the single-instance semaphore,
// the agent window, and the release of the semaphore at the end.

#include <string>

#include "platform/Kernel.h"
#include "platform/Platform.h"

namespace kardello {

class AgentWindow;

class CardAgentApp {
public:
    // Registers the window message "VARNO Kardello" before any window exists.
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
    KernelHandle instanceSemaphore = nullptr;
    int otherInstanceFound = 0;
    AgentWindow* mainWindow_ = nullptr;
};

}  // namespace kardello
