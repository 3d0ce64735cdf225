#pragma once
#include <memory>
#include <thread>

#include "platform/Shell.h"
#include "platform/win32/ComApartment.h"

namespace kardello {

class Win32Shell final : public IShell {
public:
    Win32Shell() = default;
    ~Win32Shell() override;
    Win32Shell(const Win32Shell&) = delete;
    Win32Shell& operator=(const Win32Shell&) = delete;

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    std::intptr_t Execute(const char* verb, const std::string& file, const std::string& directory,
                          int show) override;
    IconHandle FileIcon(const std::string& path) override;
    IconHandle TypeIcon(const std::string& path) override;
    void DestroyIcon(IconHandle icon) override;
    bool ActivateProgram(const std::string& path) override;

private:
    // COM for this thread, before the first of the shell's own calls.
    void PrepareCom();

    const std::thread::id owner_ = std::this_thread::get_id();
    std::unique_ptr<ComApartment> com_;
};

}  // namespace kardello
