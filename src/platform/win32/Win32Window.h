#pragma once
// Where a Win32 window meets its WindowBase: the window and dialog procedures,
// and the operations each bound window gets.

#include <memory>
#include <vector>

#include "platform/MessageMap.h"
#include "platform/win32/WesternFont.h"
#include "platform/win32/WinApi.h"

namespace kardello {

// Told when a bound window has received its final message, before its object hears of it.
class Win32WindowHost {
public:
    virtual void WindowGone(WindowBase& window) = 0;

protected:
    ~Win32WindowHost() = default;
};

// From `window`, each window's modal window, which has disabled it, up to the one that
// takes input (a window of the system's, such as the Open-file dialog, included).
HWND TopOfModalChain(HWND window);
// The caption flashes until the window is activated.
void FlashCaption(HWND window);

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
    // Subclasses an existing control so its messages reach `binding.window` first; undone
    // at its final message. False when it is gone or already taken over.
    static bool Attach(HWND control, Win32Binding& binding);

    WindowHandle Handle() const override;
    bool Alive() const override { return alive_; }
    bool SetTimer(std::uint32_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uint32_t id) override;
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool RaiseAndActivate() override;
    void MakeTopMost() override;
    bool SetForeground() override;
    void FlashUntilActive() override;
    void EndDialog(int result) override;

    Rect WindowRect() override;
    Rect MonitorWorkArea() override;
    void SetPos(ZOrder after, int x, int y, int width, int height, std::uint32_t flags) override;
    void Invalidate(bool erase) override;
    void RedrawNow() override;
    void SetText(const std::string& text) override;
    Rect ItemRect(int id) override;
    void SetItemText(int id, const std::string& text) override;
    std::string ItemText(int id) override;
    void EnableItem(int id, bool enable) override;
    bool IsItemEnabled(int id) override;
    void FocusItem(int id) override;
    int FocusedItem() override;
    void CheckRadio(int first, int last, int checked) override;
    bool IsChecked(int id) override;
    void SetScrollRange(int id, int minimum, int maximum) override;
    int ScrollPos(int id) override;
    void SetScrollPos(int id, int position) override;
    std::unique_ptr<ICanvas> BeginPaint() override;
    bool CrackDrawItem(std::intptr_t lParam, DrawItemRequest& request) override;
    bool CrackVolume(std::intptr_t lParam, DeviceChange& change) override;

private:
    enum class Kind { Window, Dialog, Control };
    Win32WindowOps(HWND hwnd, Kind kind, Win32Binding& binding);

    static Win32WindowOps* Find(HWND hwnd, Kind kind, UINT message, LPARAM lParam);
    static LRESULT Run(HWND hwnd, Kind kind, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT WindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ControlMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND Item(int id) const;
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
    WNDPROC original_ = nullptr;  // controls: the procedure they had before
    // Owner-drawing canvases, each kept until the dispatch that cracked it returns.
    std::vector<std::unique_ptr<ICanvas>> drawCanvases_;
    // Dialogs: the font that stands in for theirs where it has no Western form.
    FontOwner westernFont_;
};

}  // namespace kardello
