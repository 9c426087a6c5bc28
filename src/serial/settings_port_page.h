// The page "Port/COM/Handling" of the settings window.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>

#include "common/ini_settings.h"
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
// Fills the form from a *.set file that the user chooses; needs a chosen port.
void loadSettingsFile();
// Fills the form from the *.set file at path; false when it cannot be read.
bool loadSettingsFrom(const std::string& path);
// For a port named on the command line: chooses the port, loads the *.set file into the form
// and applies it as "Porteinstell. übernehmen" does; true when the port is open afterwards.
bool applySettingsFileToPort(int64_t index, const std::string& path);
// Writes the form to a *.set file that the user chooses, replacing the file whole.
void saveSettingsFile();
// Shows the port chosen in the "COM-Port:" list: its number, its tag, and its settings in the
// form (the reset values for a port without settings).
void showSettingsOfPort(int64_t index);
// The Quirlo.ini group "PORTDEFAULT": the page's port and line settings, written for other tools.
IniGroup portDefaultIniGroup();
