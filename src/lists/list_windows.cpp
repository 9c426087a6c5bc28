// The command list window and the program window: top rows and lists. Their editor panels,
// sorting and searching are built with the list windows.
#include "lists/list_windows.h"

#include "app/controls.h"
#include "app/ids.h"
#include "app/list_access.h"
#include "app/shortcuts.h"
#include "app/toolbars.h"
#include "app/windows.h"
#include "common/text.h"

namespace {

// A "Set:" label with the read-only field that names the list's file.
void addSetField(int window, int labelX, int fieldX, int fieldWidth, int labelId, int fieldId)
{
    GtkWidget* fixed = windowFixed(window);
    putControl(fixed, window, labelId, gtk_label_new("Set:"), labelX, 5, 26, 24);
    GtkWidget* field = putControl(fixed, window, fieldId, gtk_entry_new(), fieldX, 5, fieldWidth, 24);
    gtk_entry_set_text(GTK_ENTRY(field), "SetName");
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
}

const char* colourOfType(long long type)
{
    switch (type) {
    case 2:
    case 3:
    case 4: return "#ff0000";
    case 5:
    case 6: return "#0000ff";
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 14:
    case 15: return "#7f7f7f";
    default: return "#000000";
    }
}

} // namespace

void createCommandListWindow()
{
    createWindowFrame(WinCommandList);
    buildToolbar(WinCommandList, windowFixed(WinCommandList));
    addSetField(WinCommandList, 275, 305, 200, 0, 0);
    GtkWidget* list = createListControl(WinCommandList, IdCmdList,
                                        {{"Typ", 35, true},
                                         {"Kommando:", 220, false},
                                         {"Pause:", 50, true},
                                         {"Beschreibung:", 400, false}},
                                        false);
    putControl(windowFixed(WinCommandList), WinCommandList, 0, list, 5, 40, 605, 465);
    registerShortcuts(WinCommandList);
}

void createProgramWindow()
{
    createWindowFrame(WinProgram);
    GtkWidget* fixed = windowFixed(WinProgram);
    buildToolbar(WinProgram, fixed);
    putControl(fixed, WinProgram, IdPrgPortLabel, gtk_label_new("Close"), 337, 5, 56, 24);
    addSetField(WinProgram, 429, 456, 179, IdPrgSetLabel, IdPrgSetField);

    // The list sits in a frame whose background marks a running program.
    GtkWidget* frame = gtk_event_box_new();
    GtkWidget* inner = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(frame), inner);
    putControl(fixed, WinProgram, IdPrgListFrame, frame, 2, 33, 636, 447);
    GtkWidget* list = createListControl(WinProgram, IdPrgList,
                                        {{"Typ", 35, true},
                                         {"Kommando:", 220, false},
                                         {"Pause:", 50, true},
                                         {"Parameter:", 80, false},
                                         {"Send-String:", 250, false}},
                                        true);
    putControl(inner, WinProgram, 0, list, 2, 2, 632, 443);
    registerShortcuts(WinProgram);
}

void colourProgramRows(int from)
{
    int first = from < 0 ? 0 : from;
    int last = from < 0 ? rowCount(WinProgram, IdPrgList) - 1 : from;
    for (int row = first; row <= last; ++row)
        setRowColour(WinProgram, IdPrgList, row,
                     colourOfType(intValue(cellText(WinProgram, IdPrgList, row, 0))));
}

void openEditor(int) {}
void closeEditor(int) {}
void takeOverEntry(int) {}
void fillTypeBlank(int) {}

bool editorPanelShown(int list)
{
    return controlVisible(list == IdCmdList ? WinCommandList : WinProgram,
                          list == IdCmdList ? IdCmdEditorPanel : IdPrgEditorPanel);
}

void restoreUnsortedOrder() {}
void findCommand(bool) {}
