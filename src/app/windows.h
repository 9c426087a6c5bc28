// Quirlo's windows: the catalogue of titles, places, sizes and kinds, their creation, the
// one operation that opens and closes windows 1-6, and the main window's toggle buttons.
#pragma once

#include <gtk/gtk.h>

// Creates the window's frame from the catalogue (title, place, size, kind, close and resize
// events) and registers it; its content is left to the window's builder.
GtkWidget* createWindowFrame(int window);
// The fixed-position container that holds the window's controls.
GtkWidget* windowFixed(int window);

// Creates window n (1-6) when it does not exist yet, else flips its visibility; then sets
// the main window's toggle button of windows 1-4 to the window's visibility.
void showOrToggleWindow(int window);
void hideWindow(int window);
// Sets the toggle button of window 1-4 on the main window to that window's visibility.
void syncToggleButton(int window);
// Stores the changed flag of the list (IdCmdList or IdPrgList) and shows it as "*" in front
// of its window's title.
void setTitleMarker(int list, bool changed);
// Moves and sizes the controls of window 1, 2, 4 or 6 to its new inner size.
void relayoutWindow(int window);

// Builds the main window (visible) with its toolbar, logo and toggle buttons.
void createMainWindow();
