#pragma once
// The notification-area icon and its menu: ids shared by the resource script and the code.

#define IDR_TRAY_MENU 129
#define IDI_TRAY 159

#define ID_MENU_EXIT 32772
#define ID_MENU_ABOUT 32773
#define ID_MENU_SELECTION 32774
#define ID_MENU_SETTINGS 32775
#define ID_MENU_UNUSED_1 32776
#define ID_MENU_UNUSED_2 32777
