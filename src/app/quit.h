// Help, the quit question and the unsaved-changes check.
#pragma once

// Lists unsaved lists first, then asks "Applikation beenden?"; returns 6 when confirmed.
int askToQuit();
// list: IdCmdList, IdPrgList, IdPtkList or -1 for all (at quit). Returns 6 when no warning was
// due, else the answer of the message dialog.
int unsavedChangesCheck(int list);
void openHelp();
