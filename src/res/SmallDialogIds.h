#pragma once
// The small boxes (version, defaults question, not found, low memory): templates and
// pictures, shared by the resource script and the code.

#define IDD_ABOUT 100
#define IDD_DEFAULTS_CONFIRM 144
#define IDD_APP_NOT_FOUND 149
#define IDD_LOW_MEMORY 169

#define IDB_PICTURE 150
#define IDC_LOW_MEMORY_PICTURE 1066
