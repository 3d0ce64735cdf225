#pragma once
// A canvas over a device context: one painted between BeginPaint and EndPaint, or
// one lent for the length of a WM_DRAWITEM handler.

#include <memory>

#include "platform/Canvas.h"
#include "platform/win32/WinApi.h"

namespace kardello {

class Win32Canvas : public ICanvas {
public:
    // Draws into a context it does not own (owner drawing); its state is put back after.
    Win32Canvas(HDC dc, const Rect& client);
    ~Win32Canvas() override;
    Win32Canvas(const Win32Canvas&) = delete;
    Win32Canvas& operator=(const Win32Canvas&) = delete;

    // BeginPaint on `hwnd`; its destruction ends the paint. Never null: a window that is
    // gone, or a paint that could not begin, gives a canvas whose drawing does nothing.
    static std::unique_ptr<ICanvas> Paint(HWND hwnd);

    Rect ClientRect() override;
    std::uint32_t SysColor(int index) override;
    GdiHandle CreateSolidBrush(std::uint32_t color) override;
    void FillRect(const Rect& rect, GdiHandle brush) override;
    void FillSolidRect(const Rect& rect, std::uint32_t color) override;
    void DrawFocusRect(const Rect& rect) override;
    GdiHandle CreateFont(const FontRequest& request) override;
    GdiHandle SelectFont(GdiHandle font) override;
    void DeleteObject(GdiHandle object) override;
    void SetTextColor(std::uint32_t color) override;
    void SetTransparentBackground() override;
    void DrawText(const std::string& text, const Rect& rect, std::uint32_t format) override;
    void DrawIcon(int x, int y, IconHandle icon, int size) override;

protected:
    Win32Canvas(HWND painted, HDC dc);
    HDC dc_;

private:
    HWND painted_ = nullptr;  // ClientRect asks the window; otherwise client_
    Rect client_;
    int saved_ = 0;
};

}  // namespace kardello
