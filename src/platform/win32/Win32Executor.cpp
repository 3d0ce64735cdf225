#include "platform/win32/Win32Executor.h"

#include <memory>

#include "platform/win32/ComApartment.h"
#include "platform/win32/WinApi.h"

namespace kardello {

namespace {

WorkQueueHooks Hooks() {
    WorkQueueHooks hooks;
    hooks.post = [](WindowHandle window, std::uint32_t message, std::intptr_t ticket) {
        return PostMessageW(reinterpret_cast<HWND>(window), message, 0, ticket) != FALSE;
    };
    hooks.alive = [](WindowHandle window) { return IsWindow(reinterpret_cast<HWND>(window)) != FALSE; };
    // The apartment lives as long as the worker: entered first, left last, on that thread.
    auto apartment = std::make_shared<std::unique_ptr<ComApartment>>();
    hooks.threadStart = [apartment] { *apartment = std::make_unique<ComApartment>(); };
    hooks.threadEnd = [apartment] { apartment->reset(); };
    return hooks;
}

}  // namespace

Win32Executor::Win32Executor() : WorkQueue(Hooks()) {}

}  // namespace kardello
