// What the command list window and the program window share: the editor panel that opens
// below the list, the read-only "Set:" field, and in-place editing of list cells. Each window
// describes itself once; the shared code works from that description.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

// Size limits of a list window; a width of 0 is the window's current width.
struct WindowLimits {
    int minWidth, minHeight, maxWidth;
    int screenMargin; // the maximum height is the primary monitor's height less this
};

struct ListWindowKind {
    int window;
    int list;
    int panel;
    int okay;
    int panelGrowth; // the window grows by this while the editor panel is shown
    WindowLimits panelShown;
    WindowLimits panelHidden;
    std::vector<int> lockedWhileEditing;
    // Puts the cells of the row into the editor fields.
    void (*fillEditor)(int row);
    // The cells the editor fields hold, in list column order.
    std::vector<std::string> (*editedCells)();
    // Called for a row that the editor added or changed.
    void (*rowTakenOver)(int row);
};

extern const ListWindowKind commandListKind;
extern const ListWindowKind programKind;

void applyLimits(const ListWindowKind& kind, const WindowLimits& limits);

// A one-line field with its tool tip; read-only unless editable.
GtkWidget* addField(GtkWidget* fixed, int window, int id, const char* text, int x, int y, int width,
                    const char* toolTip, bool editable = true);
// The digits-only pause field of an editor panel, with the window's initial value.
GtkWidget* addPauseField(GtkWidget* fixed, int window, int id, int x, int y, const char* toolTip);
// The editor panel's container below the list, hidden until an entry is edited.
GtkWidget* newPanel(int window, int id, int y, int width, int height);
void hideUntilEditing(GtkWidget* panel);
void addPanelButtons(GtkWidget* panel, int window, int cancelId, int okayId, int cancelX, int okayX, int y);
// A "Set:" label with the read-only field that names the list's file.
void addSetField(int window, int labelX, int fieldX, int fieldWidth, int labelId, int fieldId);
// Connects the list's clicks, and in-place editing of the given columns.
void connectList(int list, std::initializer_list<int> editableColumns);
