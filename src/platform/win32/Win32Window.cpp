#include "platform/win32/Win32Window.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

#include <dbt.h>

#include "platform/Canvas.h"
#include "platform/win32/Win32Canvas.h"

namespace kardello {

namespace {

int Slot(bool dialog) { return dialog ? DWLP_USER : GWLP_USERDATA; }

// A control's own procedure may use its user data, so an attached one keeps its
// operations in a property.
constexpr const wchar_t* kControlProperty = L"Kardello.ControlOps";

Rect Portable(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindModalOver(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window) ||
        (style & WS_CAPTION) != WS_CAPTION)
        return TRUE;
    search->found = window;  // in z-order: the first is the topmost
    return FALSE;
}

// The modal window that stands over `owner`: a visible window of this thread with a
// caption, owned by it (a menu or a tooltip has none); the topmost if there are more.
HWND ModalWindowOver(HWND owner) {
    OwnedSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindModalOver, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Centred on a visible owner and kept on its monitor's work area; centred on the work
// area of the monitor with the cursor when the owner is hidden, as the agent's window is.
// The dialog manager would put it at the hidden owner's corner of the screen.
void PlaceDialog(HWND dialog) {
    RECT box{}, around{};
    if (!GetWindowRect(dialog, &box)) return;
    HWND owner = GetWindow(dialog, GW_OWNER);
    HMONITOR monitor = nullptr;
    if (owner != nullptr && IsWindowVisible(owner) && GetWindowRect(owner, &around)) {
        monitor = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
    } else {
        POINT cursor{};
        GetCursorPos(&cursor);
        monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) return;
    const RECT& work = info.rcWork;
    if (owner == nullptr || !IsWindowVisible(owner)) around = work;
    const LONG width = box.right - box.left, height = box.bottom - box.top;
    LONG x = around.left + (around.right - around.left - width) / 2;
    LONG y = around.top + (around.bottom - around.top - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void FlashCaption(HWND window) {
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

HWND TopOfModalChain(HWND window) {
    HWND top = window;
    for (int depth = 0; top != nullptr && !IsWindowEnabled(top) && depth < 32; ++depth) {
        HWND over = ModalWindowOver(top);
        if (over == nullptr) break;
        top = over;
    }
    return top;
}

Win32WindowOps::Win32WindowOps(HWND hwnd, Kind kind, Win32Binding& binding)
    : hwnd_(hwnd),
      kind_(kind),
      window_(binding.window),
      host_(binding.host),
      binding_(kind == Kind::Dialog ? &binding : nullptr) {}

bool Win32WindowOps::Attach(HWND control, Win32Binding& binding) {
    if (control == nullptr || binding.window == nullptr) return false;
    if (GetPropW(control, kControlProperty) != nullptr) return false;
    std::unique_ptr<Win32WindowOps> ops(new Win32WindowOps(control, Kind::Control, binding));
    if (!SetPropW(control, kControlProperty, ops.get())) return false;
    SetLastError(0);
    const LONG_PTR original =
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc));
    if (original == 0 && GetLastError() != 0) {
        RemovePropW(control, kControlProperty);
        return false;
    }
    ops->original_ = reinterpret_cast<WNDPROC>(original);
    binding.window->Bind(ops.get());
    ops.release();  // owned by the control until its last frame returns
    return true;
}

// Every procedure finds its window's object here. A window and a dialog are bound at the
// first message that carries their binding (WM_NCCREATE, WM_INITDIALOG); a control, when
// it is attached. Messages before that find none.
Win32WindowOps* Win32WindowOps::Find(HWND hwnd, Kind kind, UINT message, LPARAM lParam) {
    if (kind == Kind::Control) return static_cast<Win32WindowOps*>(GetPropW(hwnd, kControlProperty));
    const int slot = Slot(kind == Kind::Dialog);
    if (auto* ops = reinterpret_cast<Win32WindowOps*>(GetWindowLongPtrW(hwnd, slot))) return ops;
    Win32Binding* binding = nullptr;
    if (kind == Kind::Window && message == WM_NCCREATE)
        binding = static_cast<Win32Binding*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    else if (kind == Kind::Dialog && message == WM_INITDIALOG)
        binding = reinterpret_cast<Win32Binding*>(lParam);
    if (binding == nullptr || binding->window == nullptr) return nullptr;
    std::unique_ptr<Win32WindowOps> ops(new Win32WindowOps(hwnd, kind, *binding));
    SetWindowLongPtrW(hwnd, slot, reinterpret_cast<LONG_PTR>(ops.get()));
    binding->window->Bind(ops.get());
    return ops.release();  // owned by the window until its last frame returns
}

// One frame of a procedure. A window destroyed while one of its messages is handled further
// up the stack keeps its inert operations until the outermost frame returns.
LRESULT Win32WindowOps::Run(HWND hwnd, Kind kind, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32WindowOps* ops = Find(hwnd, kind, message, lParam);
    if (ops == nullptr) {
        // A dialog's creation messages and WM_SETFONT come before its object; one created
        // without a binding still gets the dialog manager's focus.
        if (kind == Kind::Dialog) return message == WM_INITDIALOG;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    ++ops->frames_;
    const LRESULT result = kind == Kind::Window   ? ops->WindowMessage(message, wParam, lParam)
                           : kind == Kind::Dialog ? ops->DialogMessage(message, wParam, lParam)
                                                  : ops->ControlMessage(message, wParam, lParam);
    if (--ops->frames_ == 0 && !ops->alive_) {
        if (ops->finishPending_) ops->Finish();
        delete ops;
    }
    return result;
}

LRESULT CALLBACK Win32WindowOps::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Run(hwnd, Kind::Window, message, wParam, lParam);
}

INT_PTR CALLBACK Win32WindowOps::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Run(hwnd, Kind::Dialog, message, wParam, lParam);
}

LRESULT CALLBACK Win32WindowOps::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Run(hwnd, Kind::Control, message, wParam, lParam);
}

bool Win32WindowOps::Dispatch(UINT message, WPARAM wParam, LPARAM lParam,
                              std::intptr_t& result) {
    if (!alive_) return false;
    Message cracked;
    cracked.id = message;
    cracked.wParam = wParam;
    cracked.lParam = lParam;
    const std::size_t canvases = drawCanvases_.size();
    const bool handled = window_->Dispatch(cracked, result);
    // The handler has returned: the canvases it was lent go (nested dispatches keep theirs).
    drawCanvases_.erase(drawCanvases_.begin() + static_cast<std::ptrdiff_t>(canvases),
                        drawCanvases_.end());
    return handled;
}

LRESULT Win32WindowOps::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::intptr_t result = 0;
    switch (message) {
        case WM_CREATE: {
            // The platform's own creation handling runs first; if it fails the
            // handler is not run and the creation fails.
            const LRESULT defaulted = DefWindowProcW(hwnd_, message, wParam, lParam);
            if (defaulted == -1) return -1;
            return Dispatch(message, wParam, lParam, result) ? result : defaulted;
        }
        case WM_NCDESTROY: {
            const LRESULT last = Dispatch(message, wParam, lParam, result)
                                     ? result
                                     : DefWindowProcW(hwnd_, message, wParam, lParam);
            Destroyed();
            return last;
        }
        default:
            if (Dispatch(message, wParam, lParam, result)) return result;
            // A window destroyed by the handler has no default handling left.
            return alive_ ? DefWindowProcW(hwnd_, message, wParam, lParam) : 0;
    }
}

INT_PTR Win32WindowOps::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::intptr_t result = 0;
    switch (message) {
        case WM_INITDIALOG:
            westernFont_ = UseWesternFont(hwnd_);
            PlaceDialog(hwnd_);
            // lParam carried the binding, nothing of the handler's.
            if (Dispatch(message, wParam, 0, result)) return result;
            return TRUE;  // the dialog manager picks the focus
        case WM_NCDESTROY:
            Dispatch(message, wParam, lParam, result);
            Destroyed();
            westernFont_.reset();  // its controls, which used it, are gone already
            return FALSE;  // the dialog manager still frees its own data
        default:
            // A dialog under a modal window of its own takes no command until that is
            // gone: it must not end, nor open a second window, while one stands over it.
            if (message == WM_COMMAND && !IsWindowEnabled(hwnd_)) return TRUE;
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

LRESULT Win32WindowOps::ControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::intptr_t result = 0;
    if (message == WM_NCDESTROY) {
        const bool handled = Dispatch(message, wParam, lParam, result);
        // The control's own procedure frees its data here, so it always hears of it.
        if (GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ControlProc))
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        const LRESULT last = original_ != nullptr
                                 ? CallWindowProcW(original_, hwnd_, message, wParam, lParam)
                                 : DefWindowProcW(hwnd_, message, wParam, lParam);
        Destroyed();
        return handled ? result : last;
    }
    if (Dispatch(message, wParam, lParam, result)) return result;
    if (!alive_) return 0;
    return original_ != nullptr ? CallWindowProcW(original_, hwnd_, message, wParam, lParam)
                                : DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32WindowOps::Destroyed() {
    if (!alive_) return;
    alive_ = false;
    binding_ = nullptr;
    if (kind_ == Kind::Control)
        RemovePropW(hwnd_, kControlProperty);
    else
        SetWindowLongPtrW(hwnd_, Slot(kind_ == Kind::Dialog), 0);
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
    if (alive_) PostMessageW(hwnd_, message, wParam, lParam);
}

// The window under a modal one takes no input: what stands over it comes instead. The
// dialog manager gives the focus back to the control that last had it on activation.
bool Win32WindowOps::RaiseAndActivate() {
    if (!alive_) return false;
    HWND top = TopOfModalChain(hwnd_);
    SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    if (SetForegroundWindow(top)) return true;
    FlashCaption(top);
    return false;
}

void Win32WindowOps::MakeTopMost() {
    if (alive_) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

bool Win32WindowOps::SetForeground() {
    return alive_ && SetForegroundWindow(hwnd_) != FALSE;
}

void Win32WindowOps::FlashUntilActive() {
    if (alive_) FlashCaption(hwnd_);
}

void Win32WindowOps::EndDialog(int result) {
    if (alive_ && kind_ == Kind::Dialog) End(result);
}

void Win32WindowOps::End(int result) {
    if (::EndDialog(hwnd_, result) && binding_ != nullptr) binding_->ended = true;
}

HWND Win32WindowOps::Item(int id) const { return alive_ ? GetDlgItem(hwnd_, id) : nullptr; }

Rect Win32WindowOps::WindowRect() {
    RECT rect{};
    return alive_ && GetWindowRect(hwnd_, &rect) ? Portable(rect) : Rect{};
}

Rect Win32WindowOps::MonitorWorkArea() {
    if (!alive_) return Rect{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST);
    return monitor != nullptr && GetMonitorInfoW(monitor, &info) ? Portable(info.rcWork) : Rect{};
}

void Win32WindowOps::SetPos(ZOrder after, int x, int y, int width, int height,
                            std::uint32_t flags) {
    if (!alive_) return;
    SetWindowPos(hwnd_, after == ZOrder::TopMost ? HWND_TOPMOST : HWND_TOP, x, y, width, height,
                 flags);
}

void Win32WindowOps::Invalidate(bool erase) {
    if (alive_) InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE);
}

void Win32WindowOps::RedrawNow() {
    if (alive_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Win32WindowOps::SetText(const std::string& text) {
    if (alive_) SetWindowTextW(hwnd_, Wide(text).c_str());
}

Rect Win32WindowOps::ItemRect(int id) {
    RECT rect{};
    HWND item = Item(id);
    return item != nullptr && GetWindowRect(item, &rect) ? Portable(rect) : Rect{};
}

void Win32WindowOps::SetItemText(int id, const std::string& text) {
    if (Item(id) != nullptr) SetDlgItemTextW(hwnd_, id, Wide(text).c_str());
}

std::string Win32WindowOps::ItemText(int id) {
    HWND item = Item(id);
    if (item == nullptr) return {};
    const int length = GetWindowTextLengthW(item);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const UINT copied = GetDlgItemTextW(hwnd_, id, buffer.data(), static_cast<int>(buffer.size()));
    return Narrow(buffer.data(), std::min<std::size_t>(copied, buffer.size() - 1));
}

void Win32WindowOps::EnableItem(int id, bool enable) {
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
}

bool Win32WindowOps::IsItemEnabled(int id) {
    HWND item = Item(id);
    return item != nullptr && IsWindowEnabled(item);
}

void Win32WindowOps::FocusItem(int id) {
    if (HWND item = Item(id)) SetFocus(item);
}

int Win32WindowOps::FocusedItem() {
    if (!alive_) return 0;
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(hwnd_, focus)) return 0;
    // The part of a compound control (a combo box's edit) counts as the control.
    for (HWND parent = GetParent(focus); parent != nullptr && parent != hwnd_;
         parent = GetParent(focus))
        focus = parent;
    return GetDlgCtrlID(focus);
}

void Win32WindowOps::CheckRadio(int first, int last, int checked) {
    if (alive_) CheckRadioButton(hwnd_, first, last, checked);
}

bool Win32WindowOps::IsChecked(int id) {
    return Item(id) != nullptr && IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Win32WindowOps::SetScrollRange(int id, int minimum, int maximum) {
    if (HWND bar = Item(id)) ::SetScrollRange(bar, SB_CTL, minimum, maximum, TRUE);
}

int Win32WindowOps::ScrollPos(int id) {
    HWND bar = Item(id);
    return bar != nullptr ? GetScrollPos(bar, SB_CTL) : 0;
}

void Win32WindowOps::SetScrollPos(int id, int position) {
    if (HWND bar = Item(id)) ::SetScrollPos(bar, SB_CTL, position, TRUE);
}

std::unique_ptr<ICanvas> Win32WindowOps::BeginPaint() {
    return Win32Canvas::Paint(alive_ ? hwnd_ : nullptr);
}

bool Win32WindowOps::CrackDrawItem(std::intptr_t lParam, DrawItemRequest& request) {
    if (!alive_ || lParam == 0) return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    request.controlId = static_cast<int>(item->CtlID);
    request.action = item->itemAction;
    request.state = item->itemState;
    request.rect = Portable(item->rcItem);
    drawCanvases_.push_back(std::make_unique<Win32Canvas>(item->hDC, request.rect));
    request.canvas = drawCanvases_.back().get();
    return true;
}

bool Win32WindowOps::CrackVolume(std::intptr_t lParam, DeviceChange& change) {
    if (lParam == 0) return false;
    // Anyone may send this message: only as many bytes as its header's size says are read.
    const auto* sent = reinterpret_cast<const unsigned char*>(lParam);
    DWORD size = 0;
    std::memcpy(&size, sent, sizeof size);
    if (size < offsetof(DEV_BROADCAST_VOLUME, dbcv_flags) + sizeof(WORD)) return false;
    DEV_BROADCAST_VOLUME volume{};
    std::memcpy(&volume, sent, std::min<std::size_t>(size, sizeof volume));
    if (volume.dbcv_devicetype != DBT_DEVTYP_VOLUME) return false;
    change.volume = true;
    change.media = (volume.dbcv_flags & DBTF_MEDIA) != 0;
    return true;
}

}  // namespace kardello
