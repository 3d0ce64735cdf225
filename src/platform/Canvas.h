#pragma once
// A drawing context for owner drawing and painting. Every font and brush a paint
// creates is handed back through DeleteObject, so tests can count them.

#include <cstdint>
#include <string>

#include "platform/MessageMap.h"
#include "platform/Owned.h"

namespace kardello {

struct GdiTag;
using GdiHandle = GdiTag*;  // a font or a brush; null: none

constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

constexpr int kColorMenu = 4;             // COLOR_MENU
constexpr int kColorMenuText = 7;         // COLOR_MENUTEXT
constexpr int kColorWindowText = 8;       // COLOR_WINDOWTEXT
constexpr std::uint32_t kDtLeft = 0;      // DT_LEFT | DT_TOP, no word wrap
constexpr std::uint32_t kDtCenter = 1;    // DT_CENTER
constexpr std::uint32_t kDtNoPrefix = 0x800;       // DT_NOPREFIX: '&' drawn as it is
constexpr std::uint32_t kDtEndEllipsis = 0x8000;   // DT_END_ELLIPSIS
// ANSI_CHARSET: the Western character set, which every text the program draws is
// written in. The font mapper weighs the set above the face: a Japanese set brings a
// Japanese face wherever one is installed, and the system's own set brings, on a
// Cyrillic or Greek system, the bitmap face of that script, which has no accents.
constexpr std::uint8_t kWesternCharset = 0;

struct FontRequest {
    int height = 0;
    int weight = 400;
    std::uint8_t charset = kWesternCharset;
    std::string face;
};

class ICanvas {
public:
    virtual ~ICanvas() = default;
    virtual Rect ClientRect() = 0;
    virtual std::uint32_t SysColor(int index) = 0;
    virtual GdiHandle CreateSolidBrush(std::uint32_t color) = 0;
    virtual void FillRect(const Rect& rect, GdiHandle brush) = 0;
    // Fills a rectangle in one colour without a brush of the caller's (a one-pixel line).
    virtual void FillSolidRect(const Rect& rect, std::uint32_t color) = 0;
    virtual void DrawFocusRect(const Rect& rect) = 0;
    // CreateFontW with width, escapement, orientation 0, not italic, underlined or
    // struck out, precisions, quality and pitch 0. Null when it fails.
    virtual GdiHandle CreateFont(const FontRequest& request) = 0;
    // Returns the font it replaced.
    virtual GdiHandle SelectFont(GdiHandle font) = 0;
    virtual void DeleteObject(GdiHandle object) = 0;
    virtual void SetTextColor(std::uint32_t color) = 0;
    virtual void SetTransparentBackground() = 0;
    virtual void DrawText(const std::string& text, const Rect& rect, std::uint32_t format) = 0;
    // The icon drawn `size` pixels square, with its image for that size.
    virtual void DrawIcon(int x, int y, IconHandle icon, int size) = 0;
};

// A brush or font deleted when its owner goes.
using GdiObject = Owned<GdiHandle, ICanvas, &ICanvas::DeleteObject>;

// A font of the face asked for, in the Western character set, made and selected for one
// drawing, then given back: the previous font selected again and this one deleted.
// A font that cannot be made leaves the context's own in use.
class ScopedFont {
public:
    ScopedFont(ICanvas& canvas, int height, int weight, const std::string& face) : canvas_(canvas) {
        FontRequest request;
        request.height = height;
        request.weight = weight;
        request.face = face;
        font_ = GdiObject(canvas_, canvas_.CreateFont(request));
        if (font_) previous_ = canvas_.SelectFont(font_.Get());
    }
    ~ScopedFont() {
        if (font_ && previous_ != nullptr) canvas_.SelectFont(previous_);
    }
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;

private:
    ICanvas& canvas_;
    GdiObject font_;  // deleted after the previous font is back
    GdiHandle previous_ = nullptr;
};

// One WM_DRAWITEM request, cracked.
constexpr std::uint32_t kOdaDrawEntire = 1;
constexpr std::uint32_t kOdaSelect = 2;
constexpr std::uint32_t kOdaFocus = 4;
constexpr std::uint32_t kOdsFocus = 0x10;
// The user has not used the keyboard in this window: Windows hides focus rectangles.
constexpr std::uint32_t kOdsNoFocusRect = 0x200;

struct DrawItemRequest {
    int controlId = 0;
    std::uint32_t action = 0;
    std::uint32_t state = 0;
    Rect rect;
    ICanvas* canvas = nullptr;  // valid for the duration of the handler
};

}  // namespace kardello

namespace kardello::crack {
// WM_DRAWITEM: `void OnDrawItem(const DrawItemRequest&)`, whose canvas draws into the
// item's context; answered TRUE.
template <>
struct On<wm::kDrawItem> {
    template <class T, void (T::*F)(const DrawItemRequest&)>
    static std::intptr_t Call(WindowBase& w, const Message& m) {
        DrawItemRequest request;
        if (w.Ops() == nullptr || !w.Ops()->CrackDrawItem(m.lParam, request)) return 0;
        (static_cast<T&>(w).*F)(request);
        return 1;
    }
};
}  // namespace kardello::crack
