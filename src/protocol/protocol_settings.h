// The page "Protokoll" of the settings window and the rules that apply it.
#pragma once

#include <gtk/gtk.h>

// Builds the page's frames and controls into the page's fixed container.
void buildProtocolSettingsPage(GtkWidget* page);
// Builds the " Protokollausgaben... " group of the port page with its "Typ:" text.
void buildProtocolTypeGroup(GtkWidget* page);
// Checks the table fields (all four, each failure with its message); the main loop refuses it
// while a program runs. Also enables the form options as "Protokollausgabe An" says. A click on
// that box or on a form option runs it alone.
bool validateProtocolSettings();
void applyProtocolSettings();
