#pragma once
// A canvas that records what a paint draws, and counts the fonts and brushes it
// creates, selects and gives back.

#include <map>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace kardello::test {

class FakeCanvas : public ICanvas {
public:
    struct Op {
        std::string what;  // "fill", "solid", "focus", "text", "icon"
        Rect rect;
        std::uint32_t color = 0;   // solid: the colour; fill: the brush's colour
        std::string text;          // text: the text; with its font's face
        std::uint32_t format = 0;
        IconHandle icon = nullptr;
        int x = 0, y = 0;
        int size = 0;              // icon: drawn this many pixels square
        FontRequest font;          // text: the font selected when it was drawn
        bool stockFont = true;     // text: drawn in the context's own font
        std::uint32_t textColor = 0;
        bool transparent = false;
    };

    explicit FakeCanvas(Rect client = {0, 0, 100, 20}) : client_(client) {}

    Rect ClientRect() override { return client_; }
    // Each colour its own: c0c0c4 the menu, c0c0c7 its text, c0c0c8 the window's text.
    std::uint32_t SysColor(int index) override { return 0x00C0C0C0u + static_cast<std::uint32_t>(index); }
    GdiHandle CreateSolidBrush(std::uint32_t color) override;
    void FillRect(const Rect& rect, GdiHandle brush) override;
    void FillSolidRect(const Rect& rect, std::uint32_t color) override;
    void DrawFocusRect(const Rect& rect) override;
    GdiHandle CreateFont(const FontRequest& request) override;
    GdiHandle SelectFont(GdiHandle font) override;
    void DeleteObject(GdiHandle object) override;
    void SetTextColor(std::uint32_t color) override { textColor_ = color; }
    void SetTransparentBackground() override { transparent_ = true; }
    void DrawText(const std::string& text, const Rect& rect, std::uint32_t format) override;
    void DrawIcon(int x, int y, IconHandle icon, int size) override;

    std::vector<Op> ops;
    std::vector<const Op*> Find(const std::string& what) const;
    // Objects created and not deleted; the font selected when the paint ended.
    std::size_t LiveObjects() const { return live_.size(); }
    bool OwnFontSelected() const { return selected_ == stockFont_; }
    int deletesOfUnknown = 0;
    int fontsCreated = 0;
    bool failFonts = false;

private:
    struct Object {
        bool font;
        FontRequest request;
        std::uint32_t color;
    };
    Rect client_;
    std::map<GdiHandle, Object> live_;
    GdiHandle stockFont_ = reinterpret_cast<GdiHandle>(0x7000);
    GdiHandle selected_ = stockFont_;
    std::uintptr_t next_ = 0x8000;
    std::uint32_t textColor_ = 0xFFFFFF;
    bool transparent_ = false;
};

}  // namespace kardello::test
