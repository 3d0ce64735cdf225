/* The small boxes' texts: version, defaults question, not found, low memory.
   Written as StringTexts.h says. */
#pragma once

/* Version box, template 100 */
#define TXT_ABOUT_TITLE "Información de versión del VARNO Kardello"
#define TXT_VERSION "1.00S"
#define TXT_ABOUT_VERSION "VARNO Kardello Versión " TXT_VERSION
#define TXT_ABOUT_RIGHTS "Copyright © 2026 VARNO. Todos los derechos reservados."

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
