#pragma once
// Resource ids of the window layer test, shared by its script and its code.

#define IDD_LAYER_BOX 200
#define IDD_LAYER_CONTROLS 201
#define IDD_MISSING 299
#define IDS_LAYER_ACCENTED 300
#define IDS_LAYER_LONG 301
#define IDS_LAYER_MISSING 399
#define IDI_LAYER 400
#define IDR_LAYER_MENU 500
#define ID_LAYER_ITEM 501
#define IDC_LAYER_STATIC 601
#define IDC_LAYER_EDIT 602
#define IDC_LAYER_RADIO_A 603
#define IDC_LAYER_RADIO_B 604
#define IDC_LAYER_RADIO_C 605
#define IDC_LAYER_SCROLL 606
#define IDC_LAYER_DRAWN 607
