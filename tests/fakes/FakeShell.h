#pragma once
#include <functional>
#include <map>
#include <set>
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

    // The notification area holds at most one icon per window and id: an add of one
    // that is there fails, and so do a modify or a delete of one that is not.
    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override {
        notifications.push_back({message, data});
        switch (message) {
            case 0:  // NIM_ADD
                if (failAdds > 0) {
                    --failAdds;
                    return false;
                }
                if (iconShown) return false;
                iconShown = true;
                if (timedOutAdds > 0) {
                    --timedOutAdds;
                    return false;  // carried out all the same
                }
                return true;
            case 1:  // NIM_MODIFY
                return iconShown;
            case 2: {  // NIM_DELETE
                const bool was = iconShown;
                iconShown = false;
                return was;
            }
            default:
                return false;
        }
    }
    // What Explorer does when it restarts: every icon is gone.
    void RestartShell() { iconShown = false; }
    std::intptr_t Execute(const char* verb, const std::string& file, const std::string& directory,
                          int show) override {
        executions.push_back({verb, file, directory, show});
        if (onExecute) onExecute(file);
        return executeResult;
    }

    IconHandle FileIcon(const std::string& path) override {
        iconRequests.push_back(path);
        auto found = iconFor.find(path);
        return found == iconFor.end() ? nullptr : NewIcon(found->second);
    }
    IconHandle TypeIcon(const std::string& path) override {
        typeIconRequests.push_back(path);
        return typeIcon.empty() ? nullptr : NewIcon(typeIcon);
    }
    IconHandle NewIcon(const std::string& what) {
        auto icon = reinterpret_cast<IconHandle>(nextIcon++);
        liveIcons[icon] = what;
        return icon;
    }
    void DestroyIcon(IconHandle icon) override {
        if (!liveIcons.erase(icon)) ++badDestroys;
    }

    // The running programs that have a window, by their image's path.
    bool ActivateProgram(const std::string& path) override {
        activations.push_back(path);
        return runningWithWindow.count(path) != 0;
    }

    std::set<std::string> runningWithWindow;
    std::vector<std::string> activations;
    std::map<std::string, std::string> iconFor;  // files the shell reads an icon from
    std::string typeIcon;  // the icon any path's type has without its file; empty: none
    std::map<IconHandle, std::string> liveIcons;  // handed out and not destroyed
    std::vector<std::string> iconRequests, typeIconRequests;
    int badDestroys = 0;
    std::uintptr_t nextIcon = 0x9000;

    std::vector<Notify> notifications;
    std::vector<Execution> executions;
    int failAdds = 0;                 // how many NIM_ADD calls fail, as before the shell is up
    int timedOutAdds = 0;             // how many add the icon but report failure, as a busy shell
    bool iconShown = false;
    std::intptr_t executeResult = 42;
    std::function<void(const std::string&)> onExecute;
};

}  // namespace kardello::test
