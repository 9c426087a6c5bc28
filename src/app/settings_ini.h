// Quirlo.ini and the auto-load choices.
#pragma once

// Reads Quirlo.ini from programDir; without the file nothing happens.
void loadIniFile();
void saveIniFile();
// The "..." button of an auto-load row.
void chooseAutoLoadFile(int buttonId);
// Enables an auto-load row's file field and button exactly when its box is ticked.
void enableAutoLoadRow(int boxId);
// The saved visibility of window 1, 2 or 4 (keys WinCmdOn, WinPrgOn, WinPtkOn).
bool savedWindowVisible(int window);
