// The program info editor (window 6).
#pragma once

void createProgramInfoWindow();
// Moves and sizes the window's controls to its new inner size.
void relayoutProgramInfoWindow();
// Opens or closes the editor, filled with programInfo and the program's line count.
void showProgramInfo();
// Stores the editor's lines in programInfo and hides the editor.
void takeOverProgramInfo();
