// The editing operations of the two lists: context menus, keys and drops.
#pragma once

#include <string>

// list: IdCmdList or IdPrgList.
void clearList(int list);
void deleteEntry(int list);
void deleteSelection(int list);
void duplicateEntry(int list);
void duplicateEntries();
void duplicateEntryTimes(int count);
void setEntryActive(bool active);
void setEntriesActive(bool active);
void setSelectedPauses(const std::string& pause);
void copyCommandToProgram(int dropAction);
// Moves the row a drag started from to the place it was dropped at: before dropRow, at the end
// for -1. selectedCount is the number of rows selected when the drag started.
void moveDraggedRows(int list, int source, int selectedCount, int dropRow);
// The private drag of the list's selected row, which the toolkit started; false when it could
// not start.
bool startListDrag(int list);
void copyEntriesToClipboard();
void pasteEntriesFromClipboard();
// Enables the items of pop-up menu 13 or 26 from the selected program rows.
void prepareProgramMenu(int menu);
