#pragma once
// The portable side of a window: an object bound to a platform window, whose
// messages reach typed handler methods through the class's message table.
// The platform cracks messages once, here; handlers never see raw parameters.

#include <cstdint>
#include <memory>
#include <string>

namespace kardello {

struct WindowTag;
using WindowHandle = WindowTag*;
struct IconTag;
using IconHandle = IconTag*;

// Window messages the system handles, with Windows' numbers.
namespace wm {
constexpr std::uint32_t kCreate = 0x0001;
constexpr std::uint32_t kDestroy = 0x0002;
constexpr std::uint32_t kPaint = 0x000F;
constexpr std::uint32_t kClose = 0x0010;
constexpr std::uint32_t kDrawItem = 0x002B;
constexpr std::uint32_t kInitDialog = 0x0110;
constexpr std::uint32_t kCommand = 0x0111;
constexpr std::uint32_t kTimer = 0x0113;
constexpr std::uint32_t kVScroll = 0x0115;
constexpr std::uint32_t kLButtonDown = 0x0201;
constexpr std::uint32_t kLButtonUp = 0x0202;
constexpr std::uint32_t kLButtonDblClk = 0x0203;
constexpr std::uint32_t kRButtonDown = 0x0204;
constexpr std::uint32_t kRButtonUp = 0x0205;
constexpr std::uint32_t kDeviceChange = 0x0219;
constexpr std::uint32_t kUser = 0x0400;
constexpr std::uint32_t kApp = 0x8000;
}  // namespace wm

// WM_DEVICECHANGE events (wParam) that carry a device, and what the window learns of it.
namespace dbt {
constexpr std::uint32_t kDeviceArrival = 0x8000;
constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
}  // namespace dbt

struct DeviceChange {
    std::uint32_t event = 0;
    bool volume = false;  // the device is a volume (DEV_BROADCAST_VOLUME)
    bool media = false;   // DBTF_MEDIA: media came into or left a drive that stays

    // Media went into or out of a drive, such as a card into a card reader's slot.
    bool IsMediaChange() const {
        return (event == dbt::kDeviceArrival || event == dbt::kDeviceRemoveComplete) && volume &&
               media;
    }
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Scroll requests (the low word of WM_VSCROLL's wParam).
namespace sb {
constexpr int kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4,
              kThumbTrack = 5, kTop = 6, kBottom = 7, kEndScroll = 8;
}  // namespace sb

// SetWindowPos: where the window goes in the z-order, and flags.
enum class ZOrder { Top, TopMost };
constexpr std::uint32_t kSwpNoSize = 0x1;
constexpr std::uint32_t kSwpNoMove = 0x2;

class ICanvas;
struct DrawItemRequest;

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// What a window does to itself. Once its window is destroyed every operation does
// nothing and reports failure, so a handler that resumes after a modal run ended by
// the end of the program cannot act on a window that is gone.
class IWindowOps {
public:
    virtual ~IWindowOps() = default;
    virtual WindowHandle Handle() const = 0;
    virtual bool Alive() const = 0;
    virtual bool SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uint32_t id) = 0;
    virtual void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE) and SetActiveWindow.
    virtual void RaiseAndActivate() = 0;
    // Into the top-most band without moving or sizing.
    virtual void MakeTopMost() = 0;
    // SetForegroundWindow: false when Windows refuses the foreground, as it does to a
    // program that has had no input from the user.
    virtual bool SetForeground() = 0;
    // The caption flashes until the window is activated (FlashWindowEx).
    virtual void FlashUntilActive() = 0;
    // Modal dialogs only: ends the modal run with this result.
    virtual void EndDialog(int result) = 0;

    // The window itself.
    virtual Rect WindowRect() = 0;  // screen pixels
    // The work area of the monitor nearest to the window, screen pixels; empty when unknown.
    virtual Rect MonitorWorkArea() = 0;
    virtual void SetPos(ZOrder after, int x, int y, int width, int height, std::uint32_t flags) = 0;
    // The whole client area invalidated, erased when `erase`.
    virtual void Invalidate(bool erase) = 0;
    // RedrawWindow(no rectangle, no region, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW).
    virtual void RedrawNow() = 0;
    virtual void SetText(const std::string& text) = 0;  // the window's own text

    // Its dialog controls, by id.
    virtual Rect ItemRect(int id) = 0;  // screen pixels
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual std::string ItemText(int id) = 0;
    virtual void EnableItem(int id, bool enable) = 0;
    virtual bool IsItemEnabled(int id) = 0;
    virtual void FocusItem(int id) = 0;
    // The id of the control with the keyboard focus; 0 when no control of this window has it.
    virtual int FocusedItem() = 0;
    // Radio buttons first..last: `checked` selected, the others cleared (none outside the range).
    virtual void CheckRadio(int first, int last, int checked) = 0;
    virtual bool IsChecked(int id) = 0;
    // A scroll bar control.
    virtual void SetScrollRange(int id, int minimum, int maximum) = 0;
    virtual int ScrollPos(int id) = 0;
    virtual void SetScrollPos(int id, int position) = 0;

    // Painting: a canvas on BeginPaint, ended by the canvas's destruction.
    virtual std::unique_ptr<ICanvas> BeginPaint() = 0;
    // What a WM_DRAWITEM message carries.
    virtual bool CrackDrawItem(std::intptr_t lParam, DrawItemRequest& request) = 0;
    // The device of a WM_DEVICECHANGE arrival or removal (lParam); false when it is no volume.
    virtual bool CrackVolume(std::intptr_t lParam, DeviceChange& change) = 0;
};

class WindowBase;

// One row of a message table: a message (and for WM_COMMAND a command id, for a
// registered message a pointer to its run-time number) and the cracked call.
struct MessageEntry {
    enum class Kind { Message, Command, Registered };
    Kind kind;
    std::uint32_t id;                       // message number or command id
    const std::uint32_t* registered;        // Registered: number known at run time
    std::intptr_t (*call)(WindowBase& window, const Message& message);
};

struct MessageTable {
    const MessageEntry* entries;
    std::size_t count;
    const MessageTable* base;  // looked up when this table has no entry
};

class WindowBase {
public:
    virtual ~WindowBase() = default;
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The platform binds the window's operations when the window comes to life.
    void Bind(IWindowOps* ops) { ops_ = ops; }
    IWindowOps* Ops() const { return ops_; }
    bool HasWindow() const { return ops_ != nullptr && ops_->Alive(); }
    WindowHandle Handle() const { return ops_ ? ops_->Handle() : nullptr; }

    // Called by the platform for every message; false: not in the table, or the
    // handler asked for it, and the platform's default handling applies.
    bool Dispatch(const Message& message, std::intptr_t& result);

    // The platform calls this after the window's final message (WM_NCDESTROY).
    // When handlers are still running further up the stack (a modal run ended by
    // the window's destruction), the hook waits until the outermost one returns.
    void FinalDestroyed();

protected:
    virtual const MessageTable& Messages() const = 0;
    // A handler asks that the message also get the platform's default handling.
    void UseDefaultHandling() { useDefault_ = true; }
    // The after-final-destruction hook; a window that owns itself deletes itself here.
    virtual void OnFinalDestroy() {}

private:
    IWindowOps* ops_ = nullptr;
    int dispatchDepth_ = 0;
    bool finalDestroyPending_ = false;
    bool useDefault_ = false;
};

// Cracking, once for all handlers.
namespace crack {
template <class T, void (T::*F)()>
std::intptr_t Void(WindowBase& w, const Message&) {
    (static_cast<T&>(w).*F)();
    return 0;
}
template <class T, std::intptr_t (T::*F)()>
std::intptr_t Result(WindowBase& w, const Message&) {
    return (static_cast<T&>(w).*F)();
}
template <class T, void (T::*F)(std::uint32_t)>
std::intptr_t Timer(WindowBase& w, const Message& m) {
    (static_cast<T&>(w).*F)(static_cast<std::uint32_t>(m.wParam));
    return 0;
}
template <class T, std::intptr_t (T::*F)(std::uintptr_t, std::intptr_t)>
std::intptr_t Params(WindowBase& w, const Message& m) {
    return (static_cast<T&>(w).*F)(m.wParam, m.lParam);
}
// WM_VSCROLL: the request and the position it carries (thumb requests).
template <class T, void (T::*F)(int, int)>
std::intptr_t Scroll(WindowBase& w, const Message& m) {
    (static_cast<T&>(w).*F)(static_cast<int>(m.wParam & 0xFFFF),
                            static_cast<int>(static_cast<std::int16_t>((m.wParam >> 16) & 0xFFFF)));
    return 0;
}
// WM_COMMAND with the control id in the low word.
template <class T, void (T::*F)(int)>
std::intptr_t CommandId(WindowBase& w, const Message& m) {
    (static_cast<T&>(w).*F)(static_cast<int>(m.wParam & 0xFFFF));
    return 0;
}
// WM_COMMAND from a button: only a click (BN_CLICKED, 0) acts; owner-drawn buttons
// also report double clicks under their id.
inline bool IsClick(const Message& m) { return ((m.wParam >> 16) & 0xFFFF) == 0; }
template <class T, void (T::*F)()>
std::intptr_t Clicked(WindowBase& w, const Message& m) {
    if (IsClick(m)) (static_cast<T&>(w).*F)();
    return 0;
}
template <class T, void (T::*F)(int)>
std::intptr_t ClickedId(WindowBase& w, const Message& m) {
    if (IsClick(m)) (static_cast<T&>(w).*F)(static_cast<int>(m.wParam & 0xFFFF));
    return 0;
}
// WM_DEVICECHANGE: answered TRUE, as Windows expects of every event (a removal query
// is granted).
template <class T, void (T::*F)(const DeviceChange&)>
std::intptr_t DeviceChanged(WindowBase& w, const Message& m) {
    DeviceChange change;
    change.event = static_cast<std::uint32_t>(m.wParam);
    const bool carriesDevice =
        change.event == dbt::kDeviceArrival || change.event == dbt::kDeviceRemoveComplete;
    if (carriesDevice && m.lParam != 0 && w.Ops() != nullptr) w.Ops()->CrackVolume(m.lParam, change);
    (static_cast<T&>(w).*F)(change);
    return 1;
}
}  // namespace crack

#define KARDELLO_ON_MESSAGE(msg, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Message, (msg), nullptr, (call) }
#define KARDELLO_ON_COMMAND(id, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Command, (id), nullptr, (call) }
#define KARDELLO_ON_REGISTERED(number, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Registered, 0, (number), (call) }

}  // namespace kardello
