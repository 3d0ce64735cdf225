/* The selection window's texts. Written as StringTexts.h says. */
#pragma once

/* Selection window, template 143 */
#define TXT_SELECTION_TITLE "Inicialización de ajustes para VARNO Kardello"
#define TXT_SELECTION_QUESTION "¿Abrir VARNO Fotimo?"
#define TXT_SELECTION_CLOSE "Cerrar"
