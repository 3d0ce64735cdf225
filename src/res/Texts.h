/* Every text the user sees, written once, in UTF-8. Included by the resource script
   (code page 65001) and by the code, which hands text to Windows as UTF-16. Exact
   texts, blanks, missing accents and typos included. */
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

/* The registered window message and the agent window's title */
#define TXT_AGENT_MESSAGE "VARNO Kardello"
#define TXT_AGENT_WINDOW_TITLE "VARNO Kardello"

/* Tray menu 129: the runs of 7, 3, 8 and 39 blanks are part of the texts */
#define TXT_MENU_SETTINGS "Inicialización de ajustes       (&O)"
#define TXT_MENU_SELECTION "Inicialización de selección   (&E)"
#define TXT_MENU_ABOUT "Información de versión        (&A)"
#define TXT_MENU_EXIT "Fin                                       (&X)"

/* Common to the small boxes */
#define TXT_OK "OK"
#define TXT_CANCEL "Cancel"
#define TXT_DIALOG_FONT "MS Sans Serif"

/* Version box, template 100 */
#define TXT_ABOUT_TITLE "Información de versión del VARNO Kardello"
#define TXT_VERSION "1.00S"
#define TXT_ABOUT_VERSION "VARNO Kardello Versión " TXT_VERSION
#define TXT_ABOUT_RIGHTS "Copyright © 2026 VARNO. Todos los derechos reservados."

/* Settings dialog, template 141 */
#define TXT_SETTINGS_TITLE "Inicialización de ajustes en VARNO Kardello"
#define TXT_SETTINGS_NOT_SAVED \
    "Los ajustes no se pudieron guardar porque para cambiarlos se necesita un administrador."
#define TXT_CHOICE_PHOTO_APP "Abriendo VARNO Fotimo"
#define TXT_CHOICE_SELECTION "Abriendo la ventana de Inicialización de Selección"
#define TXT_CHOICE_NOTHING "No es necesaria ninguna acción"
#define TXT_REGISTER "Registrar"
#define TXT_DELETE "Borrar"
#define TXT_RESTORE_DEFAULTS "Volver a los ajustes por defecto"
#define TXT_BASIC_SETTINGS "Ajustes Básicos"
#define TXT_IF_CARD_INSERTED "Si la tarjeta esta insertada..."
#define TXT_OTHER_APPS "Inicialización de ajustes para otras aplicaciones"
#define TXT_DEVICE_INFO "Información dispositivo"

/* Defaults confirmation, template 144: 14 and 5 blanks before the colons */
#define TXT_DEFAULTS_TITLE "Ajuste por defecto de VARNO Kardello"
#define TXT_DEFAULTS_LINE1 "Volver cada ajuste a su valor por defecto"
#define TXT_DEFAULTS_LINE2 "Ajustes Básicos              : Abrir VARNO Fotimo"
#define TXT_DEFAULTS_LINE3 "Aplicación registrada     : No estan regsitradas"
#define TXT_DEFAULTS_QUESTION "¿OK?"

/* Application not found, template 149 */
#define TXT_NOT_FOUND_TITLE "Confirmación de registro de VARNO Kardello"
#define TXT_NOT_FOUND_LINE1 "La aplicación que desea utilizar no puede ser encontrada."
#define TXT_NOT_FOUND_LINE2 "Por favor compruebe si está registrada."

/* Low memory, template 169 */
#define TXT_LOW_MEMORY_TITLE "Advertencia de memoria insuficiente para VARNO Kardello"
#define TXT_LOW_MEMORY_LINE1 "No hay memoria suficiente para abrir esta aplicación"
#define TXT_LOW_MEMORY_LINE2 "Cierre cualquier aplicación que no sea necesaria durante el inicio y vuelva a intentarlo"

/* Selection window, template 143 */
#define TXT_SELECTION_TITLE "Inicialización de ajustes para VARNO Kardello"
#define TXT_SELECTION_QUESTION "¿Abrir VARNO Fotimo?"
#define TXT_SELECTION_CLOSE "Cerrar"
