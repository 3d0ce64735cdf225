#pragma once
// The selection window's template, controls and button pictures, shared by its resource
// script and the code.

#define IDD_SELECTION 143

#define IDC_SELECTION_SETTINGS 1009
#define IDC_SELECTION_OTHER_APPS 1034
#define IDC_SELECTION_SLOT_1 1051
#define IDC_SELECTION_SLOT_2 1052
#define IDC_SELECTION_SLOT_3 1053
#define IDC_SELECTION_SLOT_4 1054
#define IDC_SELECTION_SLOT_5 1055
#define IDC_SELECTION_PHOTO_APP 1056
#define IDC_SELECTION_CARD_LINE 1058

#define IDI_PICTURE_142 142
#define IDI_PICTURE_145 145
#define IDI_PICTURE_146 146
