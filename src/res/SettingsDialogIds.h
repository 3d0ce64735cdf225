#pragma once
// The settings dialog's template and controls, shared by its resource script and the code.

#define IDD_SETTINGS 141

#define IDC_CHOICE_PHOTO_APP 1002
#define IDC_CHOICE_SELECTION 1003
#define IDC_CHOICE_NOTHING 1004
#define IDC_REGISTER_1 1011
#define IDC_DELETE_1 1012
#define IDC_REGISTER_2 1013
#define IDC_DELETE_2 1014
#define IDC_REGISTER_3 1015
#define IDC_DELETE_3 1016
#define IDC_REGISTER_4 1017
#define IDC_DELETE_4 1018
#define IDC_REGISTER_5 1019
#define IDC_DELETE_5 1020
// The name labels are not in row order: row 1 is 1023, row 2 is 1022.
#define IDC_APP_NAME_2 1022
#define IDC_APP_NAME_1 1023
#define IDC_APP_NAME_3 1024
#define IDC_APP_NAME_4 1025
#define IDC_APP_NAME_5 1026
#define IDC_RESTORE_DEFAULTS 1031
#define IDC_DEVICE_INFO 1064
#define IDC_DEVICE_SCROLL 1065
