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
void restoreUnsortedOrder();
void findCommand(bool next);
