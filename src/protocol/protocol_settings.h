// The page "Protokoll" of the settings window and the rules that apply it.
#pragma once

#include <gtk/gtk.h>

// Builds the page's frames and controls into the page's fixed container.
void buildProtocolSettingsPage(GtkWidget* page);
// Builds the " Protokollausgaben... " group of the port page with its "Typ:" text.
void buildProtocolTypeGroup(GtkWidget* page);
// Checks the table fields (all four, each failure with its message); refused while a
// program runs. Also enables the form options as "Protokollausgabe An" says.
bool validateProtocolSettings();
void applyProtocolSettings();
// A click on "Protokollausgabe An" or on one of the form options.
void keepProtocolChoicesConsistent(int id);
