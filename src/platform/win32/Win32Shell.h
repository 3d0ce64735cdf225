#pragma once
#include "platform/Shell.h"

namespace kardello {

class Win32Shell final : public IShell {
public:
    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    std::intptr_t Execute(const char* verb, const std::string& file, const std::string& directory,
                          int show) override;
    IconHandle FileIcon(const std::string& path) override;
    void DestroyIcon(IconHandle icon) override;
    bool ActivateProgram(const std::string& path) override;
};

}  // namespace kardello
