#include "platform/win32/Win32Window.h"

#include <memory>

namespace kardello {

namespace {

int Slot(bool dialog) { return dialog ? DWLP_USER : GWLP_USERDATA; }

}  // namespace

Win32WindowOps::Win32WindowOps(HWND hwnd, Kind kind, Win32Binding& binding)
    : hwnd_(hwnd),
      kind_(kind),
      window_(binding.window),
      host_(binding.host),
      binding_(kind == Kind::Dialog ? &binding : nullptr) {}

Win32WindowOps* Win32WindowOps::Bound(HWND hwnd, Kind kind) {
    return reinterpret_cast<Win32WindowOps*>(
        GetWindowLongPtrA(hwnd, Slot(kind == Kind::Dialog)));
}

Win32WindowOps* Win32WindowOps::BindNew(HWND hwnd, Kind kind, Win32Binding& binding) {
    std::unique_ptr<Win32WindowOps> ops(new Win32WindowOps(hwnd, kind, binding));
    SetWindowLongPtrA(hwnd, Slot(kind == Kind::Dialog), reinterpret_cast<LONG_PTR>(ops.get()));
    binding.window->Bind(ops.get());
    return ops.release();  // owned by the window until its last frame returns
}

void Win32WindowOps::Leave(Win32WindowOps* ops) {
    if (--ops->frames_ > 0 || ops->alive_) return;
    if (ops->finishPending_) ops->Finish();
    delete ops;
}

LRESULT CALLBACK Win32WindowOps::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    Win32WindowOps* ops = Bound(hwnd, Kind::Window);
    if (ops == nullptr) {
        // Messages before WM_NCCREATE (WM_GETMINMAXINFO) find no object yet.
        if (message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wParam, lParam);
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* binding = static_cast<Win32Binding*>(create->lpCreateParams);
        if (binding == nullptr || binding->window == nullptr)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        ops = BindNew(hwnd, Kind::Window, *binding);
    }
    ++ops->frames_;
    const LRESULT result = ops->WindowMessage(message, wParam, lParam);
    Leave(ops);
    return result;
}

INT_PTR CALLBACK Win32WindowOps::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    Win32WindowOps* ops = Bound(hwnd, Kind::Dialog);
    if (ops == nullptr) {
        // WM_SETFONT and the creation messages come before the object is known.
        if (message != WM_INITDIALOG) return FALSE;
        auto* binding = reinterpret_cast<Win32Binding*>(lParam);
        if (binding == nullptr || binding->window == nullptr) return TRUE;
        ops = BindNew(hwnd, Kind::Dialog, *binding);
    }
    ++ops->frames_;
    const INT_PTR result = ops->DialogMessage(message, wParam, lParam);
    Leave(ops);
    return result;
}

bool Win32WindowOps::Dispatch(UINT message, WPARAM wParam, LPARAM lParam,
                              std::intptr_t& result) {
    if (!alive_) return false;
    Message cracked;
    cracked.id = message;
    cracked.wParam = wParam;
    cracked.lParam = lParam;
    return window_->Dispatch(cracked, result);
}

LRESULT Win32WindowOps::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::intptr_t result = 0;
    switch (message) {
        case WM_CREATE: {
            // The platform's own creation handling runs first; if it fails the
            // handler is not run and the creation fails.
            const LRESULT defaulted = DefWindowProcA(hwnd_, message, wParam, lParam);
            if (defaulted == -1) return -1;
            return Dispatch(message, wParam, lParam, result) ? result : defaulted;
        }
        case WM_NCDESTROY: {
            const LRESULT last = Dispatch(message, wParam, lParam, result)
                                     ? result
                                     : DefWindowProcA(hwnd_, message, wParam, lParam);
            Destroyed();
            return last;
        }
        default:
            if (Dispatch(message, wParam, lParam, result)) return result;
            // A window destroyed by the handler has no default handling left.
            return alive_ ? DefWindowProcA(hwnd_, message, wParam, lParam) : 0;
    }
}

INT_PTR Win32WindowOps::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::intptr_t result = 0;
    switch (message) {
        case WM_INITDIALOG:
            // lParam carried the binding, nothing of the handler's.
            if (Dispatch(message, wParam, 0, result)) return result;
            return TRUE;  // the dialog manager picks the focus
        case WM_NCDESTROY:
            Dispatch(message, wParam, lParam, result);
            Destroyed();
            return FALSE;  // the dialog manager still frees its own data
        default:
            if (Dispatch(message, wParam, lParam, result)) return TRUE;
            // Enter, Esc, the close box and the two buttons end a box whose table
            // does not take them, as a dialog with no code of its own would.
            if (alive_ && message == WM_COMMAND) {
                const int id = LOWORD(wParam);
                if (id == IDOK || id == IDCANCEL) {
                    End(id);
                    return TRUE;
                }
            }
            return FALSE;
    }
}

void Win32WindowOps::Destroyed() {
    if (!alive_) return;
    alive_ = false;
    binding_ = nullptr;
    SetWindowLongPtrA(hwnd_, Slot(kind_ == Kind::Dialog), 0);
    // At once: the posted quit is what ends a modal run still up inside a handler.
    if (host_ != nullptr) host_->WindowGone(*window_);
    // Only this WM_NCDESTROY frame is running: nothing above can still use the operations.
    if (frames_ == 1)
        Finish();
    else
        finishPending_ = true;
}

void Win32WindowOps::Finish() {
    finishPending_ = false;
    WindowBase* window = window_;
    window_ = nullptr;
    window->Bind(nullptr);
    window->FinalDestroyed();  // may delete the object: last
}

WindowHandle Win32WindowOps::Handle() const {
    return alive_ ? reinterpret_cast<WindowHandle>(hwnd_) : nullptr;
}

bool Win32WindowOps::SetTimer(std::uint32_t id, std::uint32_t milliseconds) {
    return alive_ && ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
}

void Win32WindowOps::KillTimer(std::uint32_t id) {
    if (alive_) ::KillTimer(hwnd_, id);
}

void Win32WindowOps::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (alive_) PostMessageA(hwnd_, message, wParam, lParam);
}

void Win32WindowOps::RaiseAndActivate() {
    if (!alive_) return;
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    SetActiveWindow(hwnd_);
}

void Win32WindowOps::MakeTopMost() {
    if (alive_) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Win32WindowOps::SetForeground() {
    if (alive_) SetForegroundWindow(hwnd_);
}

void Win32WindowOps::EndDialog(int result) {
    if (alive_ && kind_ == Kind::Dialog) End(result);
}

void Win32WindowOps::End(int result) {
    if (::EndDialog(hwnd_, result) && binding_ != nullptr) binding_->ended = true;
}

}  // namespace kardello
