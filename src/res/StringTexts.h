/* The string table's texts.
   Written once, in UTF-8: included by the resource scripts (code page 65001) and by the
   code, which hands text to Windows as UTF-16. Exact texts, blanks, missing accents and
   typos included. */
#pragma once

/* String table */
#define TXT_PHOTO_APP_AUTO_OPENED "VARNO Fotimo se abrió de forma automática"
#define TXT_CONFIRMING_INSERTION "Confirmando inserción de la tarjeta de memoria"
#define TXT_ALREADY_RUNNING "VARNO Kardello ya se esta ejecutando"
#define TXT_NOT_REGISTERED "No registrada"
#define TXT_OPENING_PHOTO_APP "Abriendo VARNO Fotimo"
#define TXT_OPEN_OTHER_APP "Abrir una aplicación diferente"
#define TXT_SETTINGS "Ajustes"
#define TXT_CARD_INSTALLED "La tarjeta de memoria esta instalada"
#define TXT_CARD_NUMBER "Nº de la tarjeta"
#define TXT_NO_CAPTION "ERROR: EL ENCABEZADO NO EXISTE!"
#define TXT_EXE_FILES "Fichero EXE"
#define TXT_ALL_FILES "Todo"
#define TXT_APP_TITLE "VARNO Kardello"
#define TXT_FONT_FACE "MS Sans Serif"
#define TXT_STORAGE_NAME "Almacenamiento de la VARNO Marindo"
#define TXT_NOT_CONNECTED "No conectada"
