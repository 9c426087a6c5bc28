// The page "Port/COM/Handling" of the settings window.
#pragma once

#include <gtk/gtk.h>

#include "serial/device_settings.h"

// Builds the group " Port-Auswahl... " into the page: the "COM-Port:" list, the authorisation
// and rediscovery buttons, the sixteen port indicators, "Port-Nr.:" and "Port-Tag:".
void buildPortSelectionGroup(GtkWidget* page);
// Builds the apply button and the groups of the device settings form.
void buildDeviceSettingsForm(GtkWidget* page);
// What the form holds now.
SettingsForm readForm();
// "Sub-Terminat.:" enabled exactly while "String-Unterteilung:" is ticked; the query fields and
// their pause exactly while "Fehlerabfrage:" is.
void enableSubStringFields();
void enableErrorQueryFields();
// Fills the "COM-Port:" list with the names of the table's ports, keeping the chosen position.
void refillPortChoices();
// The port chosen in the "COM-Port:" list, -1 when none.
long long selectedPortChoice();
// Gives port indicator index (0-15) its look: enabled or not, a background ("#rrggbb", or
// nullptr for the default) and the number underlined or not.
void showIndicator(int index, bool enabled, const char* background, bool underlined);
