/* What every dialog of the resource script shares. Written as StringTexts.h says. */
#pragma once

/* Common to the small boxes */
#define TXT_OK "OK"
#define TXT_CANCEL "Cancel"
#define TXT_DIALOG_FONT "MS Sans Serif"
