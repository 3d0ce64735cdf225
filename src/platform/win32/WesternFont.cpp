#include "platform/win32/WesternFont.h"

namespace kardello {

namespace {

UINT CharsetOf(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return ANSI_CHARSET;  // nothing to learn: leave the font as it is
    const HGDIOBJ previous = SelectObject(dc, font);
    const int charset = GetTextCharset(dc);
    SelectObject(dc, previous);
    DeleteDC(dc);
    // A failure answers DEFAULT_CHARSET, which no realised font has: nothing learnt.
    return charset == DEFAULT_CHARSET || charset < 0 ? ANSI_CHARSET : static_cast<UINT>(charset);
}

}  // namespace

FontOwner WesternStandIn(HFONT font) {
    LOGFONTW wanted{};
    if (font == nullptr || CharsetOf(font) == ANSI_CHARSET ||
        GetObjectW(font, sizeof wanted, &wanted) != sizeof wanted)
        return nullptr;
    wanted.lfCharSet = ANSI_CHARSET;
    lstrcpynW(wanted.lfFaceName, L"Microsoft Sans Serif", LF_FACESIZE);
    FontOwner standIn(CreateFontIndirectW(&wanted));
    // A system without it keeps what it had.
    if (standIn != nullptr && CharsetOf(standIn.get()) != ANSI_CHARSET) standIn.reset();
    return standIn;
}

FontOwner UseWesternFont(HWND dialog) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    FontOwner standIn = WesternStandIn(font);
    if (standIn == nullptr) return nullptr;
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(standIn.get()), FALSE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(standIn.get()), FALSE);
    return standIn;
}

}  // namespace kardello
