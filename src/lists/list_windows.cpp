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
    GtkWidget* label = gtk_label_new("Set:");
    gtk_widget_set_size_request(label, 26, 24);
    gtk_fixed_put(GTK_FIXED(fixed), label, labelX, 5);
    GtkWidget* field = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(field), "SetName");
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
    gtk_widget_set_size_request(field, fieldWidth, 24);
    gtk_fixed_put(GTK_FIXED(fixed), field, fieldX, 5);
    if (labelId)
        registerControl(window, labelId, label);
    if (fieldId)
        registerControl(window, fieldId, field);
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
    gtk_widget_set_size_request(list, 605, 465);
    gtk_fixed_put(GTK_FIXED(windowFixed(WinCommandList)), list, 5, 40);
    registerShortcuts(WinCommandList);
}

void createProgramWindow()
{
    createWindowFrame(WinProgram);
    GtkWidget* fixed = windowFixed(WinProgram);
    buildToolbar(WinProgram, fixed);
    GtkWidget* portLabel = gtk_label_new("Close");
    gtk_widget_set_size_request(portLabel, 56, 24);
    gtk_fixed_put(GTK_FIXED(fixed), portLabel, 337, 5);
    registerControl(WinProgram, IdPrgPortLabel, portLabel);
    addSetField(WinProgram, 429, 456, 179, IdPrgSetLabel, IdPrgSetField);

    // The list sits in a frame whose background marks a running program.
    GtkWidget* frame = gtk_event_box_new();
    GtkWidget* inner = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(frame), inner);
    gtk_widget_set_size_request(frame, 636, 447);
    gtk_fixed_put(GTK_FIXED(fixed), frame, 2, 33);
    registerControl(WinProgram, IdPrgListFrame, frame);
    GtkWidget* list = createListControl(WinProgram, IdPrgList,
                                        {{"Typ", 35, true},
                                         {"Kommando:", 220, false},
                                         {"Pause:", 50, true},
                                         {"Parameter:", 80, false},
                                         {"Send-String:", 250, false}},
                                        true);
    gtk_widget_set_size_request(list, 632, 443);
    gtk_fixed_put(GTK_FIXED(inner), list, 2, 2);
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
