#pragma once
// The selection window's owner-drawn push button. Its kind decides what it paints;
// every paint reads the registry and asks the shell afresh and keeps nothing.

#include <cstdint>
#include <string>

#include "platform/Canvas.h"
#include "platform/Platform.h"
#include "platform/Window.h"

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

    void SetKind(int kind) { this->kind = kind; }
    void SetExpanded(int expanded) { this->expanded = expanded; }
    int Kind() const { return kind; }
    int Expanded() const { return expanded; }

    // One owner-draw request for this button. A kind outside 1 to 8 paints only the
    // ground and the focus.
    void DrawButton(const DrawItemRequest& request);
    // The program's own icon, read from its file by the shell; where the file cannot be
    // read (a card that is out, a path to nothing), the shell's icon for its type. The
    // caller releases it.
    bool GetShellIcon(const std::string& path, IconHandle& icon);

protected:
    const MessageTable& Messages() const override;

private:
    void DrawLabel(ICanvas& canvas, const std::string& label, const Rect& rect,
                   std::uint32_t format, int fontHeight, int fontWeight, const std::string& face);

    Platform& platform_;
    std::int32_t kind = 0;
    IconHandle photoIcon = nullptr;
    IconHandle expandedIcon = nullptr;
    IconHandle collapsedIcon = nullptr;
    std::int32_t expanded = 0;
};

}  // namespace kardello
