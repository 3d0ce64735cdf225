#pragma once
// Every text the program shows is Spanish. A Cyrillic or Greek system has "MS Sans
// Serif" only in its own script, which draws the accents as boxes: there a font of
// that face is replaced by one of the same size in "Microsoft Sans Serif", which
// every Windows has with the Western character set. Elsewhere nothing changes.

#include <memory>
#include <type_traits>

#include "platform/win32/WinApi.h"

namespace kardello {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontOwner = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A Western font of the same size when `font` draws no Western text; none otherwise.
FontOwner WesternStandIn(HFONT font);

// Gives a dialog and its controls the Western stand-in of the dialog's font, if it
// needs one; the stand-in lives as long as the returned owner.
FontOwner UseWesternFont(HWND dialog);

}  // namespace kardello
