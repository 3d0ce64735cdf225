#pragma once
// What a window does to itself and to its dialog controls.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Geometry.h"
#include "platform/Messages.h"

namespace kardello {

class ICanvas;
struct DrawItemRequest;

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
    // For a window asked for while it is up: it, or the top of the chain of modal windows
    // over it (which alone takes input), comes to the top and takes the foreground, and
    // with it the keyboard focus; where Windows refuses, its caption flashes. False then.
    virtual bool RaiseAndActivate() = 0;
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

}  // namespace kardello
