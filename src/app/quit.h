// Help, the quit question and the unsaved-changes check.
#pragma once

// Lists unsaved lists first, then asks "Applikation beenden?"; returns 6 when confirmed.
int askToQuit();
void openHelp();
