/* The agent window's texts: its title, the registered message and the tray menu.
   Written as StringTexts.h says. */
#pragma once

/* The registered window message and the agent window's title */
#define TXT_AGENT_MESSAGE "VARNO Kardello"
#define TXT_AGENT_WINDOW_TITLE "VARNO Kardello"

/* Tray menu 129: the runs of 7, 3, 8 and 39 blanks are part of the texts */
#define TXT_MENU_SETTINGS "Inicialización de ajustes       (&O)"
#define TXT_MENU_SELECTION "Inicialización de selección   (&E)"
#define TXT_MENU_ABOUT "Información de versión        (&A)"
#define TXT_MENU_EXIT "Fin                                       (&X)"
