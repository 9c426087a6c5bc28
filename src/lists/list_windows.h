// The command list window and the program window with their editor panels.
#pragma once

#include <gtk/gtk.h>

void createCommandListWindow();
void createProgramWindow();
// Sets the text colour of a program row from its type (-1: all rows).
void colourProgramRows(int from);

// list: the list control id, IdCmdList or IdPrgList.
void openEditor(int list);
void closeEditor(int list);
void takeOverEntry(int list);
void fillTypeBlank(int list);
bool editorPanelShown(int list);
// Sets the list's modified flag and shows it in the window title.
void setModified(int list, bool modified);
// Sorts the command list by column 1 or 3, each click reversing the direction.
void sortCommandList(int column);
void restoreUnsortedOrder();
bool commandListSorted();
void findCommand(bool next);
