#pragma once
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "platform/User.h"
#include "platform/win32/Win32Window.h"

namespace kardello {

class Win32User final : public IUser, private Win32WindowHost {
public:
    Win32User();
    ~Win32User() override;

    std::uint32_t RegisterMessage(const char* name) override;
    void PrepareDialogs() override;
    bool CreateHiddenToolWindow(WindowBase& window, const char* title) override;
    // -1 at once once the program's quit has been posted: nothing new shows while it ends.
    int RunModal(WindowBase& dialog, int templateId, WindowHandle parent) override;
    void SetMainWindow(WindowBase* window) override;
    WindowBase* MainWindow() override { return mainWindow_; }
    // False when the control is missing, the dialog unbound, or `control` already bound.
    bool AttachControl(WindowBase& control, WindowBase& dialog, int controlId) override;
    // Rooms are taken as at least 1 and at most 32768 bytes.
    bool OpenFileDialog(const OpenFileRequest& request, std::string& path,
                        std::string& fileName) override;
    int RunMessageLoop() override;

    int MessageBox(WindowHandle owner, const std::string& text, const std::string& title,
                   std::uint32_t style) override;
    std::string LoadString(int id) override;
    // Loaded once per id and size and kept until this object goes.
    IconHandle LoadIcon(int id, IconSize size) override;
    int IconPixels(IconSize size) override;
    int SystemDpi() override { return dpi_; }
    std::uint32_t DoubleClickTime() override;
    Point CursorPos() override;
    Rect WorkArea() override;
    void TrackPopupMenu(WindowHandle owner, int menuId, Point at) override;

private:
    struct IconDestroyer {
        void operator()(IconTag* icon) const;
    };

    void WindowGone(WindowBase& window) override;
    bool QuitPending() const;
    // The owner of a modal dialog shown without a parent.
    HWND DefaultOwner() const;

    HINSTANCE instance_;
    WindowBase* mainWindow_ = nullptr;
    WindowBase* creating_ = nullptr;  // inside CreateHiddenToolWindow
    bool quitPosted_ = false;
    std::set<std::string> classes_;
    std::map<std::pair<int, int>, std::unique_ptr<IconTag, IconDestroyer>> icons_;
    int dpi_;
};

}  // namespace kardello
