// The command list window and the program window with their editor panels.
#pragma once

void createCommandListWindow();
void createProgramWindow();
// Moves and sizes the window's controls to its new inner size.
void relayoutCommandListWindow();
void relayoutProgramWindow();
// Sets the text colour of a program row from its type (-1: all rows).
void colourProgramRows(int from);
// Marks the send string of the row a run executes (-1: none) and gives the rows of a running
// loop their background (an empty range: none).
void markProgramRows(int highlighted, int firstLoopRow, int lastLoopRow);

// list: the list control id, IdCmdList or IdPrgList.
void openEditor(int list);
void closeEditor(int list);
void takeOverEntry(int list);
bool editorPanelShown(int list);
// Puts the default blank of the type chosen in the command editor into its fields.
void fillTypeBlank();
// Sorts the command list by column 1 or 3, each click reversing the direction.
void sortCommandList(int column);
void restoreUnsortedOrder();
bool commandListSorted();
void findCommand(bool next);
