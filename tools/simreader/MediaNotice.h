#pragma once
// What Windows does when media goes into or comes out of a removable drive: it sends
// WM_DEVICECHANGE to every top-level window, with a DEV_BROADCAST_VOLUME that names
// the drive's letter and carries DBTF_MEDIA.

#include <windows.h>

namespace kardello::simreader {

// DBT_DEVICEARRIVAL when `arrived`, else DBT_DEVICEREMOVECOMPLETE. Each window is
// given a second to answer. Returns how many did.
int AnnounceMedia(bool arrived, char letter);
// The same to one window; true when it answered.
bool AnnounceMediaTo(HWND window, bool arrived, char letter);

}  // namespace kardello::simreader
