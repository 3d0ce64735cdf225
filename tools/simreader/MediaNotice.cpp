#include "simreader/MediaNotice.h"

#include <windows.h>
#include <dbt.h>

#include <vector>

namespace kardello::simreader {

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

}  // namespace

bool AnnounceMediaTo(HWND window, bool arrived, char letter) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter >= 'A' && letter <= 'Z') volume.dbcv_unitmask = 1u << (letter - 'A');
    volume.dbcv_flags = DBTF_MEDIA;
    // Wine carries the structure across processes for these two events.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                               reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

int AnnounceMedia(bool arrived, char letter) {
    // Window by window, each sent the message.
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    int answered = 0;
    for (HWND window : windows) answered += AnnounceMediaTo(window, arrived, letter) ? 1 : 0;
    return answered;
}

}  // namespace kardello::simreader
