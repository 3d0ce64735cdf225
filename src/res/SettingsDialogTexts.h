/* The settings dialog's texts. Written as StringTexts.h says. */
#pragma once

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
