#pragma once
// The portable side of a window: an object bound to a platform window, whose messages
// reach typed handler methods through the class's message table. The table stands near
// the top of each class, as its table of contents:
//
//     KARDELLO_BEGIN_MESSAGES(SelectionWindow)
//         KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
//         KARDELLO_CLICK(IDC_SELECTION_SETTINGS, OnSettingsButton)
//         KARDELLO_COMMAND_RANGE(IDC_SELECTION_SLOT_1, IDC_SELECTION_SLOT_5, OnLaunchSlot)
//     KARDELLO_END_MESSAGES(nullptr)
//
// A message is cracked once, here: its handler has the type that message gives it
// (crack::On), and the compiler refuses any other. Handlers never see raw parameters.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>

#include "platform/Executor.h"
#include "platform/Messages.h"
#include "platform/WindowOps.h"

namespace kardello {

class WindowBase;

// One row of a message table: a message, a run of command ids, or a registered message
// whose number the object learnt at run time; and the cracked call of its handler.
struct MessageEntry {
    enum class Kind { Message, Commands, Registered };
    Kind kind;
    std::uint32_t first;  // the message, or the first command id
    std::uint32_t last;   // the last command id
    std::uint32_t (*number)(const WindowBase& window);  // Registered
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

namespace crack {

// A message and its handler's type. Without a specialisation a message carries
// nothing the handler needs: `void OnX()` or `std::intptr_t OnX()` (the answer), or,
// for the program's own and registered messages, the raw
// `std::intptr_t OnX(std::uintptr_t, std::intptr_t)`.
template <std::uint32_t Id>
struct On {
    template <class T, void (T::*F)()>
    static std::intptr_t Call(WindowBase& w, const Message&) {
        (static_cast<T&>(w).*F)();
        return 0;
    }
    template <class T, std::intptr_t (T::*F)()>
    static std::intptr_t Call(WindowBase& w, const Message&) {
        return (static_cast<T&>(w).*F)();
    }
    template <class T, std::intptr_t (T::*F)(std::uintptr_t, std::intptr_t)>
    static std::intptr_t Call(WindowBase& w, const Message& m) {
        return (static_cast<T&>(w).*F)(m.wParam, m.lParam);
    }
};

// WM_TIMER: `void OnTimer(std::uint32_t id)`.
template <>
struct On<wm::kTimer> {
    template <class T, void (T::*F)(std::uint32_t)>
    static std::intptr_t Call(WindowBase& w, const Message& m) {
        (static_cast<T&>(w).*F)(static_cast<std::uint32_t>(m.wParam));
        return 0;
    }
};

// WM_VSCROLL: `void OnVScroll(int request, int position)`, the position of the thumb
// requests.
template <>
struct On<wm::kVScroll> {
    template <class T, void (T::*F)(int, int)>
    static std::intptr_t Call(WindowBase& w, const Message& m) {
        (static_cast<T&>(w).*F)(static_cast<int>(m.wParam & 0xFFFF),
                                static_cast<int>(static_cast<std::int16_t>((m.wParam >> 16) & 0xFFFF)));
        return 0;
    }
};

// WM_DEVICECHANGE: `void OnDeviceChange(const DeviceChange&)`, answered TRUE, as
// Windows expects of every event (a removal query is granted).
template <>
struct On<wm::kDeviceChange> {
    template <class T, void (T::*F)(const DeviceChange&)>
    static std::intptr_t Call(WindowBase& w, const Message& m) {
        DeviceChange change;
        change.event = static_cast<std::uint32_t>(m.wParam);
        const bool carriesDevice =
            change.event == dbt::kDeviceArrival || change.event == dbt::kDeviceRemoveComplete;
        if (carriesDevice && m.lParam != 0 && w.Ops() != nullptr) w.Ops()->CrackVolume(m.lParam, change);
        (static_cast<T&>(w).*F)(change);
        return 1;
    }
};

// WM_COMMAND: only a click (BN_CLICKED, 0, as menus and accelerators give too) acts;
// owner-drawn buttons also report double clicks under their id. `void OnX()`, or
// `void OnX(int id)` for a range.
template <class T, void (T::*F)()>
std::intptr_t Click(WindowBase& w, const Message& m) {
    if (((m.wParam >> 16) & 0xFFFF) == 0) (static_cast<T&>(w).*F)();
    return 0;
}
template <class T, void (T::*F)(int)>
std::intptr_t Click(WindowBase& w, const Message& m) {
    if (((m.wParam >> 16) & 0xFFFF) == 0) (static_cast<T&>(w).*F)(static_cast<int>(m.wParam & 0xFFFF));
    return 0;
}

// A job's result: `void OnX(R result)`, taken from the executor. A message whose ticket
// names no result of type R for this window (forged, or taken already) is ignored.
template <class T, class R>
std::intptr_t Result(T& w, IExecutor& executor, const Message& m, void (T::*handler)(R)) {
    auto taken = executor.template Take<std::decay_t<R>>(w.Handle(), m.id, m.lParam);
    if (taken != nullptr) (w.*handler)(std::move(*taken));
    return 0;
}
template <class T, class R>
std::intptr_t Result(T& w, IExecutor* executor, const Message& m, void (T::*handler)(R)) {
    return executor != nullptr ? Result(w, *executor, m, handler) : 0;
}

}  // namespace crack

// The table of class `Class`: its rows, then the base class's table or nullptr.
#define KARDELLO_BEGIN_MESSAGES(Class)                                 \
    const ::kardello::MessageTable& Messages() const override {        \
        using T = Class;                                               \
        static const ::kardello::MessageEntry entries[] = {
#define KARDELLO_END_MESSAGES(baseTable)                                                \
        };                                                                              \
        static const ::kardello::MessageTable table{entries, std::size(entries), baseTable}; \
        return table;                                                                   \
    }
// The same table kept in the class's .cpp, where ids that most readers of its header
// need not see are included: KARDELLO_DECLARE_MESSAGES() in the class, then
// KARDELLO_MESSAGES_OF(Class), the rows and KARDELLO_END_MESSAGES in the .cpp.
#define KARDELLO_DECLARE_MESSAGES() const ::kardello::MessageTable& Messages() const override;
#define KARDELLO_MESSAGES_OF(Class)                                    \
    const ::kardello::MessageTable& Class::Messages() const {          \
        using T = Class;                                               \
        static const ::kardello::MessageEntry entries[] = {
// A class that handles no message of its own.
#define KARDELLO_NO_MESSAGES()                                          \
    const ::kardello::MessageTable& Messages() const override {         \
        static const ::kardello::MessageTable table{nullptr, 0, nullptr}; \
        return table;                                                   \
    }

// A message, its handler typed by crack::On.
#define KARDELLO_MESSAGE(message, handler)                                                \
    ::kardello::MessageEntry{::kardello::MessageEntry::Kind::Message, (message), (message), \
                             nullptr, &::kardello::crack::On<(message)>::template Call<T, &T::handler>},
#define KARDELLO_TIMER(handler) KARDELLO_MESSAGE(::kardello::wm::kTimer, handler)
// A click on a button or a menu item: `void OnX()`.
#define KARDELLO_CLICK(id, handler)                                                         \
    ::kardello::MessageEntry{::kardello::MessageEntry::Kind::Commands, (id), (id), nullptr, \
                             &::kardello::crack::Click<T, &T::handler>},
// A click on any of the ids first to last: `void OnX(int id)`.
#define KARDELLO_COMMAND_RANGE(first, last, handler)                                           \
    ::kardello::MessageEntry{::kardello::MessageEntry::Kind::Commands, (first), (last), nullptr, \
                             &::kardello::crack::Click<T, &T::handler>},
// A registered message, whose number is the object's member `number` (0: none):
// `std::intptr_t OnX(std::uintptr_t, std::intptr_t)`.
#define KARDELLO_REGISTERED(number, handler)                                          \
    ::kardello::MessageEntry{::kardello::MessageEntry::Kind::Registered, 0, 0,          \
                             [](const ::kardello::WindowBase& w) { return static_cast<const T&>(w).number; }, \
                             &::kardello::crack::On<0>::template Call<T, &T::handler>},

// The result of a job submitted to the object's member `executor` (an IExecutor, by
// reference or pointer) for this message: `void OnX(R result)`.
#define KARDELLO_RESULT(message, executor, handler)                                            \
    ::kardello::MessageEntry{::kardello::MessageEntry::Kind::Message, (message), (message),     \
                             nullptr,                                                           \
                             [](::kardello::WindowBase& w, const ::kardello::Message& m) {      \
                                 T& self = static_cast<T&>(w);                                  \
                                 return ::kardello::crack::Result(self, self.executor, m,       \
                                                                  &T::handler);                 \
                             }},

}  // namespace kardello
