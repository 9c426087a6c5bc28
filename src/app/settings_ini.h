// Quirlo.ini, the settings window's page "Applikation" and its auto-load rows.
#pragma once

// Builds the page "Applikation" into the settings window.
void buildApplicationPage();
// Registers the groups of Quirlo.ini in the order the file holds them (once the windows whose
// controls some of them are bound to can be built).
void registerIniGroups();
// Reads Quirlo.ini from programDir and places and opens the windows as it says; without the
// file nothing happens.
void loadIniFile();
// The ports the user added on the settings page, from Quirlo.ini, before the port search.
void loadAddedPorts();
// Writes Quirlo.ini whole (replacing the old file only when the new one is complete); a file
// that cannot be written is passed over.
void saveIniFile();
// The "..." button of an auto-load row.
void chooseAutoLoadFile(int buttonId);
// Enables an auto-load row's file field and button exactly when its box is ticked.
void enableAutoLoadRow(int boxId);
// The saved visibility of window 1, 2 or 4 (keys WinCmdOn, WinPrgOn, WinPtkOn).
bool savedWindowVisible(int window);
