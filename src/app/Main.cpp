// The program's entry: the Win32 implementations of the platform, and the application.

#include "app/CardAgentApp.h"
#include "platform/Platform.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32DeviceIo.h"
#include "platform/win32/Win32Executor.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32User.h"
#include "platform/win32/WinApi.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    using namespace kardello;
    RestrictLibrarySearch();
    Win32Registry registry;
    Win32DeviceIo devices;
    Win32SystemInfo system;
    Win32Kernel kernel;
    Win32Shell shell;
    Win32User user;
    Win32Executor shellExecutor;
    Platform platform{registry, devices, system, kernel, shell, user, shellExecutor};

    CardAgentApp app(platform);
    if (app.Startup(Narrow(commandLine))) user.RunMessageLoop();
    return app.Shutdown();
}
