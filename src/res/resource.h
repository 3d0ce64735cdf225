#pragma once
// Resource and command identifiers, shared by the resource script and the code.

// String table
#define IDS_PHOTO_APP_AUTO_OPENED 102
#define IDS_CONFIRMING_INSERTION 103
#define IDS_ALREADY_RUNNING 105
#define IDS_NOT_REGISTERED 106
#define IDS_OPENING_PHOTO_APP 107
#define IDS_OPEN_OTHER_APP 108
#define IDS_SETTINGS 109
#define IDS_CARD_INSTALLED 110
#define IDS_CARD_NUMBER 111
#define IDS_NO_CAPTION 112
#define IDS_EXE_FILES 114
#define IDS_ALL_FILES 115
#define IDS_APP_TITLE 116
#define IDS_FONT_FACE 117
#define IDS_STORAGE_NAME 118
#define IDS_NOT_CONNECTED 119

// Dialog templates
#define IDD_ABOUT 100
#define IDD_SETTINGS 141
#define IDD_SELECTION 143
#define IDD_DEFAULTS_CONFIRM 144
#define IDD_APP_NOT_FOUND 149
#define IDD_LOW_MEMORY 169

// Menus, icons, bitmaps
#define IDR_TRAY_MENU 129
#define IDI_TRAY 159
#define IDI_PICTURE_142 142
#define IDI_PICTURE_145 145
#define IDI_PICTURE_146 146
#define IDB_PICTURE 150
#define IDC_LOW_MEMORY_PICTURE 1066

// Tray menu commands
#define ID_MENU_EXIT 32772
#define ID_MENU_ABOUT 32773
#define ID_MENU_SELECTION 32774
#define ID_MENU_SETTINGS 32775
#define ID_MENU_UNUSED_1 32776
#define ID_MENU_UNUSED_2 32777
