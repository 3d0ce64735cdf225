#include "fakes/FakeCanvas.h"

namespace kardello::test {

GdiHandle FakeCanvas::CreateSolidBrush(std::uint32_t color) {
    auto handle = reinterpret_cast<GdiHandle>(next_++);
    live_[handle] = Object{false, {}, color};
    return handle;
}

void FakeCanvas::FillRect(const Rect& rect, GdiHandle brush) {
    Op op;
    op.what = "fill";
    op.rect = rect;
    auto found = live_.find(brush);
    op.color = found == live_.end() ? 0xDEADu : found->second.color;
    ops.push_back(op);
}

void FakeCanvas::FillSolidRect(const Rect& rect, std::uint32_t color) {
    Op op;
    op.what = "solid";
    op.rect = rect;
    op.color = color;
    ops.push_back(op);
}

void FakeCanvas::DrawFocusRect(const Rect& rect) { Op op;
    op.what = "focus";
    op.rect = rect;
    ops.push_back(op); }

GdiHandle FakeCanvas::CreateFont(const FontRequest& request) {
    if (failFonts) return nullptr;
    ++fontsCreated;
    auto handle = reinterpret_cast<GdiHandle>(next_++);
    live_[handle] = Object{true, request, 0};
    return handle;
}

GdiHandle FakeCanvas::SelectFont(GdiHandle font) {
    if (font == nullptr) return nullptr;  // SelectObject fails: nothing changes
    GdiHandle previous = selected_;
    selected_ = font;
    return previous;
}

void FakeCanvas::DeleteObject(GdiHandle object) {
    if (object == selected_ && object != stockFont_) ++deletesOfUnknown;  // deleting the selected font
    if (!live_.erase(object)) ++deletesOfUnknown;
}

void FakeCanvas::DrawText(const std::string& text, const Rect& rect, std::uint32_t format) {
    Op op;
    op.what = "text";
    op.rect = rect;
    op.text = text;
    op.format = format;
    op.textColor = textColor_;
    op.transparent = transparent_;
    auto found = live_.find(selected_);
    op.stockFont = found == live_.end();
    if (!op.stockFont) op.font = found->second.request;
    ops.push_back(op);
}

void FakeCanvas::DrawIcon(int x, int y, IconHandle icon, int size) {
    Op op;
    op.what = "icon";
    op.size = size;
    op.x = x;
    op.y = y;
    op.icon = icon;
    ops.push_back(op);
}

std::vector<const FakeCanvas::Op*> FakeCanvas::Find(const std::string& what) const {
    std::vector<const Op*> found;
    for (const Op& op : ops)
        if (op.what == what) found.push_back(&op);
    return found;
}

}  // namespace kardello::test
