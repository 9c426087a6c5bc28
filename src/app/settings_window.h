// The settings window (window 3) with its pages.
#pragma once

#include <gtk/gtk.h>

void createSettingsWindow();
// The fixed container of page 0 "Port/COM/Handling", 1 "Protokoll" or 2 "Applikation".
GtkWidget* settingsPage(int page);
bool portPageShown();
bool protocolPageShown();
