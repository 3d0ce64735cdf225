#pragma once
// Where a Win32 window meets its WindowBase: the window and dialog procedures,
// and the operations each bound window gets.

#include "platform/Window.h"
#include "platform/win32/WinApi.h"

namespace kardello {

// Told when a bound window has received its final message, before its object hears of it.
class Win32WindowHost {
public:
    virtual void WindowGone(WindowBase& window) = 0;

protected:
    ~Win32WindowHost() = default;
};

// Creation data of a bound window: lpCreateParams, or the dialog's WM_INITDIALOG lParam.
struct Win32Binding {
    WindowBase* window;
    Win32WindowHost* host;
    // Dialogs: EndDialog was called. A modal run that ends without it was ended by a quit
    // or by its window's destruction, and then the dialog manager's result means nothing.
    bool ended = false;
};

// The procedure owns the operations. A window destroyed while one of its own messages
// is still being handled further up the stack stays bound to its now inert operations
// until that outermost frame returns; only then is it unbound and told it is gone.
class Win32WindowOps final : public IWindowOps {
public:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WindowHandle Handle() const override;
    bool Alive() const override { return alive_; }
    bool SetTimer(std::uint32_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uint32_t id) override;
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void RaiseAndActivate() override;
    void MakeTopMost() override;
    void SetForeground() override;
    void EndDialog(int result) override;

private:
    enum class Kind { Window, Dialog };
    Win32WindowOps(HWND hwnd, Kind kind, Win32Binding& binding);

    static Win32WindowOps* Bound(HWND hwnd, Kind kind);
    static Win32WindowOps* BindNew(HWND hwnd, Kind kind, Win32Binding& binding);
    // Ends one procedure frame; the last frame of a destroyed window finishes it.
    static void Leave(Win32WindowOps* ops);

    LRESULT WindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, std::intptr_t& result);
    void Destroyed();
    void Finish();
    void End(int result);

    HWND hwnd_;
    Kind kind_;
    WindowBase* window_;
    Win32WindowHost* host_;
    Win32Binding* binding_;  // dialogs, while the modal run is up
    bool alive_ = true;
    bool finishPending_ = false;
    int frames_ = 0;
};

}  // namespace kardello
