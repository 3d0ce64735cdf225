#include "selection/AppButton.h"

#include <optional>

#include "res/resource.h"
#include "store/RegistrySchema.h"
#include "store/SettingsStore.h"

namespace kardello {

namespace {

constexpr std::uint32_t kFrameLight = Rgb(255, 255, 255);
constexpr std::uint32_t kFrameShadow = 0x606060;
constexpr std::uint32_t kLabelColor = Rgb(0, 0, 0);

// Four one-pixel lines; the shadow's lines reach one pixel further than the light's.
void Draw3dRect(ICanvas& canvas, const Rect& r, std::uint32_t light, std::uint32_t shadow) {
    canvas.FillSolidRect({r.left, r.top, r.right - 1, r.top + 1}, light);
    canvas.FillSolidRect({r.left, r.top, r.left + 1, r.bottom - 1}, light);
    canvas.FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, shadow);
    canvas.FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, shadow);
}

void DrawFrame(ICanvas& canvas, const Rect& r, bool inset) {
    const int dy = inset ? 2 : 0;
    const int dr = inset ? 3 : 0;
    for (int n = 1; n <= 2; ++n) {
        Draw3dRect(canvas, {r.left + n, r.top + n + dy, r.right - n - dr, r.bottom - n - dy},
                   kFrameLight, kFrameShadow);
    }
}

bool IsSlot(int kind) { return kind >= kAppButtonSlot1 && kind <= kAppButtonSlot5; }

}  // namespace

AppButton::AppButton(Platform& platform) : platform_(platform) {
    collapsedIcon = platform_.user.LoadIcon(IDI_PICTURE_145);
    expandedIcon = platform_.user.LoadIcon(IDI_PICTURE_146);
    photoIcon = platform_.user.LoadIcon(IDI_PICTURE_142);
}

const MessageTable& AppButton::Messages() const {
    // Clicks, focus and keys are the push button's own.
    static const MessageTable table{nullptr, 0, nullptr};
    return table;
}

bool AppButton::GetShellIcon(const std::string& path, IconHandle& icon) {
    icon = platform_.shell.FileIcon(path);
    return icon != nullptr;
}

void AppButton::DrawButton(const DrawItemRequest& request) {
    if (request.canvas == nullptr ||
        (request.action & (kOdaDrawEntire | kOdaSelect | kOdaFocus)) == 0)
        return;
    ICanvas& canvas = *request.canvas;
    const Rect& r = request.rect;
    const int h = (r.bottom - r.top) / 2;

    // Pressed or not, enabled or not: the same ground.
    GdiHandle ground = canvas.CreateSolidBrush(canvas.SysColor(kColorMenu));
    canvas.FillRect(r, ground);
    if (request.state & kOdsFocus) canvas.DrawFocusRect({r.left + 5, r.top + 6, r.right - 7, r.bottom - 6});

    const bool known = IsSlot(kind) || (kind >= kAppButtonPhotoApp && kind <= kAppButtonSettings);
    if (known) {
        DrawFrame(canvas, r, kind == kAppButtonOtherApps || kind == kAppButtonSettings);

        SettingsStore store(platform_.registry);
        store.OpenExisting(schema::kAgentRoot, schema::kAgentKey);  // never created from here
        std::string label, path;
        if (IsSlot(kind)) {
            store.ReadString(schema::AppSlot::NameValue(kind).c_str(), label);
            store.ReadString(schema::AppSlot::PathValue(kind).c_str(), path);
        } else {
            label = platform_.user.LoadString(kind == kAppButtonPhotoApp   ? IDS_OPENING_PHOTO_APP
                                              : kind == kAppButtonOtherApps ? IDS_OPEN_OTHER_APP
                                                                            : IDS_SETTINGS);
        }
        const std::string notRegistered = platform_.user.LoadString(IDS_NOT_REGISTERED);
        const std::string face = platform_.user.LoadString(IDS_FONT_FACE);
        const int iconTop = h - 16;

        if (IsSlot(kind)) {
            IconHandle icon = nullptr;
            if (label != notRegistered && GetShellIcon(path, icon)) {
                canvas.DrawIcon(r.left + 13, iconTop, icon);
                platform_.shell.DestroyIcon(icon);
            }
            DrawLabel(canvas, label, {r.left + 80, h - 5, r.right, r.bottom}, kDtLeft, 0, 0, face);
        } else if (kind == kAppButtonPhotoApp) {
            canvas.DrawIcon(r.left + 8, iconTop, photoIcon);
            DrawLabel(canvas, label, {r.left + 46, h - 6, r.right, r.bottom - 2}, kDtLeft, 15, 600,
                      face);
        } else if (kind == kAppButtonOtherApps) {
            canvas.DrawIcon(r.left + 2, iconTop, expanded ? expandedIcon : collapsedIcon);
            DrawLabel(canvas, label, {r.left + 18, h - 5, r.right, r.bottom - 4}, kDtCenter, 12,
                      400, face);
        } else {
            DrawLabel(canvas, label, {r.left + 2, h - 5, r.right - 5, r.bottom - 4}, kDtCenter, 12,
                      400, face);
        }
    }
    canvas.DeleteObject(ground);
}

// fontHeight 0: the label takes the font the context holds.
void AppButton::DrawLabel(ICanvas& canvas, const std::string& label, const Rect& rect,
                          std::uint32_t format, int fontHeight, int fontWeight,
                          const std::string& face) {
    std::optional<ScopedFont> font;
    if (fontHeight != 0) font.emplace(canvas, fontHeight, fontWeight, face);
    canvas.SetTransparentBackground();
    canvas.SetTextColor(kLabelColor);
    canvas.DrawText(label, rect, format);
}

}  // namespace kardello
