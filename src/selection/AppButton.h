#pragma once
// The selection window's owner-drawn push button. Its kind decides what it paints;
// every paint reads the registry afresh. A slot's icon is handed to it: a paint never
// asks the shell, which may wait on the program's file.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Canvas.h"
#include "platform/Platform.h"
#include "platform/MessageMap.h"

namespace kardello {

enum AppButtonKind : std::int32_t {
    kAppButtonSlot1 = 1,  // to kAppButtonSlot5 = 5: registered application n
    kAppButtonSlot5 = 5,
    kAppButtonPhotoApp = 6,
    kAppButtonOtherApps = 7,
    kAppButtonSettings = 8,
};

class AppButton : public WindowBase {
public:
    // Loads the three shared resource icons, which are never destroyed.
    explicit AppButton(Platform& platform);

    void SetKind(int kind) { kind_ = kind; }
    void SetExpanded(bool expanded) { expanded_ = expanded; }
    // The icon a registered slot shows, kept until the next; none: no icon.
    void SetIcon(ShellIcon icon) { icon_ = std::move(icon); }

    // One owner-draw request for this button. A kind outside 1 to 8 paints only the
    // ground and the focus.
    void DrawButton(const DrawItemRequest& request);

private:
    // Clicks, focus and keys are the push button's own.
    KARDELLO_NO_MESSAGES()

    void DrawLabel(ICanvas& canvas, const std::string& label, const Rect& rect,
                   std::uint32_t format, int fontHeight, int fontWeight, const std::string& face);

    Platform& platform_;
    int kind_ = 0;
    IconHandle photoIcon_ = nullptr;
    IconHandle expandedIcon_ = nullptr;
    IconHandle collapsedIcon_ = nullptr;
    bool expanded_ = false;
    ShellIcon icon_;
};

}  // namespace kardello
