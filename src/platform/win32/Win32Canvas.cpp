#include "platform/win32/Win32Canvas.h"

#include "platform/win32/WesternFont.h"

namespace kardello {

namespace {

RECT Native(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect Portable(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

class PaintCanvas final : public Win32Canvas {
public:
    PaintCanvas(HWND hwnd, PAINTSTRUCT& paint, HDC dc) : Win32Canvas(hwnd, dc), hwnd_(hwnd), paint_(paint) {}
    ~PaintCanvas() override {
        if (dc_ != nullptr) EndPaint(hwnd_, &paint_);
    }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_;
};

}  // namespace

Win32Canvas::Win32Canvas(HDC dc, const Rect& client)
    : dc_(dc), client_(client), saved_(dc != nullptr ? SaveDC(dc) : 0) {}

Win32Canvas::Win32Canvas(HWND painted, HDC dc) : dc_(dc), painted_(painted) {}

Win32Canvas::~Win32Canvas() {
    // A lent context goes back with the colours, mode and font it came with.
    if (saved_ != 0) RestoreDC(dc_, saved_);
}

std::unique_ptr<ICanvas> Win32Canvas::Paint(HWND hwnd) {
    PAINTSTRUCT paint{};
    HDC dc = hwnd != nullptr ? ::BeginPaint(hwnd, &paint) : nullptr;
    return std::make_unique<PaintCanvas>(hwnd, paint, dc);
}

Rect Win32Canvas::ClientRect() {
    if (painted_ == nullptr) return client_;
    RECT client{};
    if (!GetClientRect(painted_, &client)) return Rect{};
    return Portable(client);
}

std::uint32_t Win32Canvas::SysColor(int index) { return GetSysColor(index); }

GdiHandle Win32Canvas::CreateSolidBrush(std::uint32_t color) {
    return reinterpret_cast<GdiHandle>(::CreateSolidBrush(color));
}

void Win32Canvas::FillRect(const Rect& rect, GdiHandle brush) {
    if (dc_ == nullptr || brush == nullptr) return;
    const RECT r = Native(rect);
    ::FillRect(dc_, &r, reinterpret_cast<HBRUSH>(brush));
}

void Win32Canvas::FillSolidRect(const Rect& rect, std::uint32_t color) {
    if (dc_ == nullptr) return;
    const RECT r = Native(rect);
    const COLORREF old = SetBkColor(dc_, color);
    ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    if (old != CLR_INVALID) SetBkColor(dc_, old);
}

void Win32Canvas::DrawFocusRect(const Rect& rect) {
    if (dc_ == nullptr) return;
    const RECT r = Native(rect);
    ::DrawFocusRect(dc_, &r);
}

GdiHandle Win32Canvas::CreateFont(const FontRequest& request) {
    HFONT font = CreateFontW(request.height, 0, 0, 0, request.weight, 0, 0, 0, request.charset, 0, 0,
                             0, 0, Wide(request.face).c_str());
    if (request.charset == ANSI_CHARSET) {
        if (FontOwner standIn = WesternStandIn(font)) {
            ::DeleteObject(font);
            font = standIn.release();
        }
    }
    return reinterpret_cast<GdiHandle>(font);
}

GdiHandle Win32Canvas::SelectFont(GdiHandle font) {
    if (dc_ == nullptr || font == nullptr) return nullptr;
    return reinterpret_cast<GdiHandle>(SelectObject(dc_, reinterpret_cast<HGDIOBJ>(font)));
}

void Win32Canvas::DeleteObject(GdiHandle object) {
    if (object != nullptr) ::DeleteObject(reinterpret_cast<HGDIOBJ>(object));
}

void Win32Canvas::SetTextColor(std::uint32_t color) {
    if (dc_ != nullptr) ::SetTextColor(dc_, color);
}

void Win32Canvas::SetTransparentBackground() {
    if (dc_ != nullptr) SetBkMode(dc_, TRANSPARENT);
}

void Win32Canvas::DrawText(const std::string& text, const Rect& rect, std::uint32_t format) {
    if (dc_ == nullptr) return;
    RECT r = Native(rect);
    const WideString wide = Wide(text);
    // The text is the caller's constant: DrawTextW may not write into it.
    DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r,
              format & ~static_cast<std::uint32_t>(DT_MODIFYSTRING));
}

void Win32Canvas::DrawIcon(int x, int y, IconHandle icon, int size) {
    if (dc_ == nullptr || icon == nullptr || size <= 0) return;
    DrawIconEx(dc_, x, y, reinterpret_cast<HICON>(icon), size, size, 0, nullptr, DI_NORMAL);
}

}  // namespace kardello
