// Quirlo's windows: the catalogue of titles, places, sizes and kinds, their creation, the
// one operation that opens and closes windows 1-6, and the main window's toggle buttons.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <utility>
#include <vector>

// Creates the window's frame from the catalogue (title, place, size, kind, close and resize
// events) and registers it; its content is left to the window's builder.
GtkWidget* createWindowFrame(int window);
// The fixed-position container that holds the window's controls.
GtkWidget* windowFixed(int window);

// Puts the widget into the fixed container at its place and size and registers it under the
// id (0: not registered); an entry (or the entry of an editable drop-down) takes TAB, CR and
// LF out of whatever is typed or pasted into it. Returns the widget.
GtkWidget* putControl(GtkWidget* fixed, int window, int id, GtkWidget* widget, int x, int y,
                      int width, int height);
// A push button that posts its control event; the window's default button when isDefault.
GtkWidget* putButton(GtkWidget* fixed, int window, int id, const char* label, int x, int y,
                     int width, int height, bool isDefault);

// The window's inner size as the window system has it, or its default size before it is shown.
std::pair<int, int> innerSize(int window);
// Height of the primary monitor, which the windows' height limits follow.
int primaryMonitorHeight();
// Sets the window's minimum and maximum inner size.
void setSizeLimits(int window, int minWidth, int minHeight, int maxWidth, int maxHeight);

// A field label, right-aligned, 24 pixels high.
GtkWidget* putLabel(GtkWidget* fixed, const char* text, int x, int y, int width);
// Makes the label's text fit the room: a condensed face (always, when condensed is set) of 9
// points, smaller ones down to 6 while it is still too wide.
void fitLabel(GtkWidget* label, int room, bool condensed);
// A one-line text field, 24 pixels high, with its text and tool tip (nullptr for none).
GtkWidget* putField(GtkWidget* fixed, int window, int id, const char* text, int x, int y, int width,
                    const char* toolTip);

// The function that builds window n (1-6) with its controls when it is first opened.
void setWindowBuilder(int window, void (*build)());
// A built-in picture that posts the control event (window, id) when clicked with the first
// button while it is enabled; not yet placed.
GtkWidget* newClickPicture(int window, int id, int image);

// A frame whose heading uses the heading font, on the background colour ("#rrggbb") when one
// is given; returns the fixed container inside it.
GtkWidget* putFrame(GtkWidget* fixed, int window, int id, const char* heading, int x, int y, int width,
                    int height, const char* headingBackground = nullptr);
// A check box, 24 pixels high, that posts its control event when clicked (id 0: none).
GtkWidget* putCheck(GtkWidget* fixed, int window, int id, const char* label, int x, int y, int width, bool on,
                    const char* toolTip = nullptr);
// A drop-down list of the choices with the active one chosen (-1: none), 26 pixels high.
GtkWidget* putChoice(GtkWidget* fixed, int window, int id, const std::vector<std::string>& choices,
                     int active, int x, int y, int width, const char* toolTip = nullptr);

// Creates window n (1-6) with its builder when it does not exist yet, else flips its
// visibility; then sets the main window's toggle button of windows 1-4 to the window's
// visibility.
void showOrToggleWindow(int window);
void hideWindow(int window);
// Shows window 1, 2, 4 or 5, creating it when needed; a shown window stays as it is.
void showWindow(int window);
// Sets the toggle button of window 1-4 on the main window to that window's visibility.
void syncToggleButton(int window);
// Stores the changed flag of the list (IdCmdList or IdPrgList) and shows it as "*" in front
// of its window's title.
void setTitleMarker(int list, bool changed);
// Whether the list (IdCmdList or IdPrgList) has unsaved changes.
bool listChanged(int list);
