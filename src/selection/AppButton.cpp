#include "selection/AppButton.h"

#include <optional>

#include "platform/DpiScale.h"
#include "res/SelectionWindowIds.h"
#include "res/StringIds.h"
#include "store/AgentKey.h"
#include "store/AgentValues.h"
#include "store/FirstRun.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

// White and dark grey stand out on a light and on a dark menu colour alike.
constexpr std::uint32_t kFrameLight = Rgb(255, 255, 255);
constexpr std::uint32_t kFrameShadow = 0x606060;

// Four one-pixel lines; the shadow's lines reach one pixel further than the light's.
void Draw3dRect(ICanvas& canvas, const Rect& r, std::uint32_t light, std::uint32_t shadow) {
    canvas.FillSolidRect({r.left, r.top, r.right - 1, r.top + 1}, light);
    canvas.FillSolidRect({r.left, r.top, r.left + 1, r.bottom - 1}, light);
    canvas.FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, shadow);
    canvas.FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, shadow);
}

// The outer rectangle's offsets scale; the inner one lies one line inside it at every
// DPI, as the system's own three-dimensional edges stay one pixel a line.
void DrawFrame(ICanvas& canvas, const Rect& r, bool inset, const DpiScale& px) {
    const Rect outer{r.left + px(1), r.top + px(inset ? 3 : 1), r.right - px(inset ? 4 : 1),
                     r.bottom - px(inset ? 3 : 1)};
    for (int n = 0; n <= 1; ++n) {
        Draw3dRect(canvas, {outer.left + n, outer.top + n, outer.right - n, outer.bottom - n},
                   kFrameLight, kFrameShadow);
    }
}

bool IsSlot(int kind) { return kind >= kAppButtonSlot1 && kind <= kAppButtonSlot5; }

}  // namespace

AppButton::AppButton(Platform& platform) : platform_(platform) {
    collapsedIcon_ = platform_.user.LoadIcon(IDI_PICTURE_145, IconSize::Large);
    expandedIcon_ = platform_.user.LoadIcon(IDI_PICTURE_146, IconSize::Large);
    photoIcon_ = platform_.user.LoadIcon(IDI_PICTURE_142, IconSize::Large);
}

void AppButton::DrawButton(const DrawItemRequest& request) {
    if (request.canvas == nullptr ||
        (request.action & (kOdaDrawEntire | kOdaSelect | kOdaFocus)) == 0)
        return;
    ICanvas& canvas = *request.canvas;
    const Rect& r = request.rect;
    const int h = (r.bottom - r.top) / 2;
    const DpiScale px(platform_.user.SystemDpi());

    // Pressed or not, enabled or not: the same ground.
    const GdiObject ground(canvas, canvas.CreateSolidBrush(canvas.SysColor(kColorMenu)));
    canvas.FillRect(r, ground.Get());
    if ((request.state & (kOdsFocus | kOdsNoFocusRect)) == kOdsFocus)
        canvas.DrawFocusRect({r.left + px(5), r.top + px(6), r.right - px(7), r.bottom - px(6)});

    const bool known = IsSlot(kind_) || (kind_ >= kAppButtonPhotoApp && kind_ <= kAppButtonSettings);
    if (!known) return;
    DrawFrame(canvas, r, kind_ == kAppButtonOtherApps || kind_ == kAppButtonSettings, px);

    RegistryKey store(platform_.registry);
    store.OpenExisting(schema::kAgentRoot, schema::kAgentKey);  // never created from here
    std::string label;
    const std::string notRegistered = platform_.user.LoadString(IDS_NOT_REGISTERED);
    if (IsSlot(kind_)) {
        ReadShownSlotName(store, kind_, notRegistered, label);
    } else {
        label = platform_.user.LoadString(kind_ == kAppButtonPhotoApp   ? IDS_OPENING_PHOTO_APP
                                          : kind_ == kAppButtonOtherApps ? IDS_OPEN_OTHER_APP
                                                                        : IDS_SETTINGS);
    }
    const std::string face = platform_.user.LoadString(IDS_FONT_FACE);
    // Centred on the button at the system's icon size: h - 16 at 96 DPI.
    const int iconSize = platform_.user.IconPixels(IconSize::Large);
    const int iconTop = h - iconSize / 2;

    if (IsSlot(kind_)) {
        if (icon_ && label != notRegistered) canvas.DrawIcon(r.left + px(13), iconTop, icon_.Get(), iconSize);
        // A program's name exactly as stored, '&' included; a long one ends in "...".
        DrawLabel(canvas, label, {r.left + px(80), h - px(5), r.right, r.bottom},
                  kDtLeft | kDtNoPrefix | kDtEndEllipsis, 0, 0, face);
    } else if (kind_ == kAppButtonPhotoApp) {
        canvas.DrawIcon(r.left + px(8), iconTop, photoIcon_, iconSize);
        DrawLabel(canvas, label, {r.left + px(46), h - px(6), r.right, r.bottom - px(2)}, kDtLeft,
                  px(15), 600, face);
    } else if (kind_ == kAppButtonOtherApps) {
        canvas.DrawIcon(r.left + px(2), iconTop, expanded_ ? expandedIcon_ : collapsedIcon_,
                        iconSize);
        DrawLabel(canvas, label, {r.left + px(18), h - px(5), r.right, r.bottom - px(4)},
                  kDtCenter, px(12), 400, face);
    } else {
        DrawLabel(canvas, label, {r.left + px(2), h - px(5), r.right - px(5), r.bottom - px(4)},
                  kDtCenter, px(12), 400, face);
    }
}

// fontHeight 0: the label takes the font the context holds. The menu's text colour
// stays readable on the menu colour, high contrast included.
void AppButton::DrawLabel(ICanvas& canvas, const std::string& label, const Rect& rect,
                          std::uint32_t format, int fontHeight, int fontWeight,
                          const std::string& face) {
    std::optional<ScopedFont> font;
    if (fontHeight != 0) font.emplace(canvas, fontHeight, fontWeight, face);
    canvas.SetTransparentBackground();
    canvas.SetTextColor(canvas.SysColor(kColorMenuText));
    canvas.DrawText(label, rect, format);
}

}  // namespace kardello
