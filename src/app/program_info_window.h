// The program info editor (window 6).
#pragma once

#include <gtk/gtk.h>

void createProgramInfoWindow();
// Opens or closes the editor, filled with programInfo and the program's line count.
void showProgramInfo();
// Stores the editor's lines in programInfo and hides the editor.
void takeOverProgramInfo();
