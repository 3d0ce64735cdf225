#pragma once
// The user-interface side of the platform, in memory: windows are objects with
// inert-after-destruction operations, posted messages wait in one queue, modal
// runs call a test's script (which may deliver ticks inside them), and boxes,
// menus and strings are recorded.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeCanvas.h"
#include "platform/Canvas.h"
#include "platform/Dialog.h"
#include "platform/User.h"
#include "platform/MessageMap.h"

namespace kardello::test {

class FakeUser;

class FakeWindowOps : public IWindowOps {
public:
    FakeWindowOps(FakeUser& user, WindowBase& window, WindowHandle handle)
        : user_(user), window_(&window), handle_(handle) {}

    WindowHandle Handle() const override { return handle_; }
    bool Alive() const override { return alive_; }
    // The object bound to this window; null once it is destroyed.
    WindowBase* Window() const { return window_; }
    bool SetTimer(std::uint32_t id, std::uint32_t ms) override;
    void KillTimer(std::uint32_t id) override;
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool RaiseAndActivate() override;
    void MakeTopMost() override;
    bool SetForeground() override;
    void FlashUntilActive() override;
    void EndDialog(int result) override;

    Rect WindowRect() override { return windowRect; }
    Rect MonitorWorkArea() override;
    void SetPos(ZOrder after, int x, int y, int width, int height, std::uint32_t flags) override;
    void Invalidate(bool erase) override;
    void RedrawNow() override;
    void SetText(const std::string& text) override { windowText = text; }
    Rect ItemRect(int id) override { return items[id].rect; }
    void SetItemText(int id, const std::string& text) override;
    std::string ItemText(int id) override { return items[id].text; }
    void EnableItem(int id, bool enable) override { items[id].enabled = enable; }
    bool IsItemEnabled(int id) override { return items[id].enabled; }
    void FocusItem(int id) override { focused = id; }
    int FocusedItem() override { return focused; }
    void CheckRadio(int first, int last, int checked) override;
    bool IsChecked(int id) override { return items[id].checked; }
    void SetScrollRange(int id, int minimum, int maximum) override;
    int ScrollPos(int id) override { return items[id].scrollPos; }
    void SetScrollPos(int id, int position) override { items[id].scrollPos = position; }
    std::unique_ptr<ICanvas> BeginPaint() override;
    // Tests send WM_DRAWITEM with lParam pointing at a DrawItemRequest.
    bool CrackDrawItem(std::intptr_t lParam, DrawItemRequest& request) override;
    // Tests send WM_DEVICECHANGE with lParam pointing at a DeviceChange.
    bool CrackVolume(std::intptr_t lParam, DeviceChange& change) override;

    struct Item {
        std::string text;
        bool enabled = true;
        bool checked = false;
        Rect rect;
        int scrollMin = 0, scrollMax = 0, scrollPos = 0;
        int textSets = 0;
    };
    struct PosCall {
        ZOrder after;
        int x, y, width, height;
        std::uint32_t flags;
    };

    std::map<std::uint32_t, std::uint32_t> timers;  // id -> interval
    int raised = 0, topMost = 0, foreground = 0, flashes = 0;
    int endResult = -1;
    Rect windowRect{200, 150, 440, 450};
    std::string windowText;
    std::map<int, Item> items;
    int focused = 0;
    int invalidations = 0, erasingInvalidations = 0, redraws = 0;
    std::vector<PosCall> positions;
    // Every paint's canvas, kept after the paint ended.
    std::vector<std::unique_ptr<FakeCanvas>> paints;
    int paintsEnded = 0;
    Rect clientRect{0, 0, 320, 42};

private:
    friend class FakeUser;
    FakeUser& user_;
    WindowBase* window_;
    WindowHandle handle_;
    bool alive_ = true;
};

class FakeUser : public IUser {
public:
    struct Box {
        WindowHandle owner;
        std::string text, title;
        std::uint32_t style;
    };
    struct Modal {
        int templateId;
        WindowHandle parent;
    };
    struct Posted {
        WindowHandle target;
        Message message;
    };
    // What a modal run does while it is up; returns the run's result.
    using ModalScript = std::function<int(WindowBase& dialog, int templateId)>;

    std::uint32_t RegisterMessage(const char* name) override;
    void PrepareDialogs() override { ++prepared; }
    bool CreateHiddenToolWindow(WindowBase& window, const char* title) override;
    int RunModal(WindowBase& dialog, int templateId, WindowHandle parent) override;
    void SetMainWindow(WindowBase* window) override { mainWindow = window; }
    WindowBase* MainWindow() override { return mainWindow; }
    bool AttachControl(WindowBase& control, WindowBase& dialog, int controlId) override;
    bool OpenFileDialog(const OpenFileRequest& request, std::string& path,
                        std::string& fileName) override;
    int RunMessageLoop() override;
    int MessageBox(WindowHandle owner, const std::string& text, const std::string& title,
                   std::uint32_t style) override;
    std::string LoadString(int id) override;
    IconHandle LoadIcon(int id, IconSize size) override;
    // Windows' sizes for the DPI: 32 and 16 at 96, 48 and 24 at 144.
    int IconPixels(IconSize size) override;
    int SystemDpi() override { return dpi; }
    std::uint32_t DoubleClickTime() override { return 500; }
    Point CursorPos() override { return cursor; }
    Rect WorkArea() override { return workArea; }
    void TrackPopupMenu(WindowHandle owner, int menuId, Point at) override;

    // Delivering messages as the platform would.
    std::intptr_t Send(WindowBase& window, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);
    // Delivers posted messages (and what they post in turn) until none is left.
    void PumpPosted();
    // DestroyWindow: WM_DESTROY, the operations go inert, the final hook.
    void Destroy(WindowBase& window);
    FakeWindowOps* OpsOf(WindowHandle handle);
    FakeWindowOps* OpsOf(const WindowBase& window) { return OpsOf(window.Handle()); }
    // The resource id an icon was loaded from; 0 for any other handle.
    int IconId(IconHandle icon) const;

    ModalScript modalScript;           // default: closes with OK
    // The file the user picks in the Open-file dialog; empty: cancelled.
    std::string chosenFile;
    std::vector<OpenFileRequest> fileDialogs;
    struct Attached { WindowHandle dialog; int id; WindowBase* control; };
    std::vector<Attached> attached;
    // Called with the dialog's ops before WM_INITDIALOG, to lay out its controls.
    std::function<void(FakeWindowOps&, int templateId)> layout;
    bool failCreate = false;            // CreateWindowEx fails before any message
    // Windows' foreground lock: the program has had no input from the user.
    bool foregroundRefused = false;
    int prepared = 0;
    bool quitPosted = false;
    int quitCode = 0;
    WindowBase* mainWindow = nullptr;
    Point cursor{320, 240};
    Rect workArea{0, 0, 1024, 738};
    std::map<IconHandle, int> iconIds;  // every icon loaded, with its resource id
    std::map<IconHandle, int> iconPixels;  // and the size it was loaded at
    int dpi = 96;
    std::vector<Box> boxes;
    std::function<void()> onBox;  // called while a box is up
    std::vector<Modal> modals;
    std::vector<std::string> createdTitles;
    struct Menu { WindowHandle owner; int menuId; Point at; };
    std::vector<Menu> menus;
    int modalDepth = 0;
    int maxModalDepth = 0;

private:
    friend class FakeWindowOps;
    WindowHandle NewHandle();
    std::map<std::string, std::uint32_t> registered_;
    std::vector<std::unique_ptr<FakeWindowOps>> ops_;
    std::deque<Posted> posted_;
};

}  // namespace kardello::test
