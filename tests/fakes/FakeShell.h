#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace kardello::test {

class FakeShell : public IShell {
public:
    struct Notify {
        std::uint32_t message;
        NotifyIconData data;
    };
    struct Execution {
        std::string verb, file, directory;
        int show;
    };

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override {
        notifications.push_back({message, data});
        if (message == 0 && failAdds > 0) {
            --failAdds;
            return false;
        }
        return true;
    }
    std::intptr_t Execute(const char* verb, const std::string& file, const std::string& directory,
                          int show) override {
        executions.push_back({verb, file, directory, show});
        if (onExecute) onExecute(file);
        return executeResult;
    }

    std::vector<Notify> notifications;
    std::vector<Execution> executions;
    int failAdds = 0;                 // how many NIM_ADD calls fail, as before the shell is up
    std::intptr_t executeResult = 42;
    std::function<void(const std::string&)> onExecute;
};

}  // namespace kardello::test
