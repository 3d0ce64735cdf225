#pragma once
// Resource ids of the window layer test, shared by its script and its code.

#define IDD_LAYER_BOX 200
#define IDD_MISSING 299
#define IDS_LAYER_ACCENTED 300
#define IDS_LAYER_LONG 301
#define IDS_LAYER_MISSING 399
#define IDI_LAYER 400
#define IDR_LAYER_MENU 500
#define ID_LAYER_ITEM 501
