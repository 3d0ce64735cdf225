#pragma once
// The portable side of a window: an object bound to a platform window, whose
// messages reach typed handler methods through the class's message table.
// The platform cracks messages once, here; handlers never see raw parameters.

#include <cstdint>
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
constexpr std::uint32_t kUser = 0x0400;
}  // namespace wm

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
    virtual void SetForeground() = 0;
    // Modal dialogs only: ends the modal run with this result.
    virtual void EndDialog(int result) = 0;
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

    // Called by the platform for every message; false: not in the table, the
    // platform's default handling applies.
    bool Dispatch(const Message& message, std::intptr_t& result);

    // The platform calls this after the window's final message (WM_NCDESTROY).
    // When handlers are still running further up the stack (a modal run ended by
    // the window's destruction), the hook waits until the outermost one returns.
    void FinalDestroyed();

protected:
    virtual const MessageTable& Messages() const = 0;
    // The after-final-destruction hook; a window that owns itself deletes itself here.
    virtual void OnFinalDestroy() {}

private:
    IWindowOps* ops_ = nullptr;
    int dispatchDepth_ = 0;
    bool finalDestroyPending_ = false;
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
}  // namespace crack

#define KARDELLO_ON_MESSAGE(msg, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Message, (msg), nullptr, (call) }
#define KARDELLO_ON_COMMAND(id, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Command, (id), nullptr, (call) }
#define KARDELLO_ON_REGISTERED(number, call) \
    ::kardello::MessageEntry { ::kardello::MessageEntry::Kind::Registered, 0, (number), (call) }

}  // namespace kardello
