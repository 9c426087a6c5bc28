// The program window: its top row, the program list in its frame, and the entry editor.
#include <optional>

#include "common/line_types.h"
#include "common/text.h"
#include "lists/list_window_parts.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

namespace {

// What a run marks in the list: the send string of the row it executes, and a loop's rows.
int highlightedRow = -1;
int loopFirst = -1;
int loopLast = -2;
const char* const highlightYellow = "#c8c800";
const char* const loopPaper = "#ffffb9";

int rowOf(GtkTreeModel* model, GtkTreeIter* iter)
{
    GtkTreePath* path = gtk_tree_model_get_path(model, iter);
    int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return row;
}

void drawRunMarks(GtkTreeViewColumn*, GtkCellRenderer* renderer, GtkTreeModel* model, GtkTreeIter* iter,
                  gpointer data)
{
    int row = rowOf(model, iter);
    const char* background = nullptr;
    if (GPOINTER_TO_INT(data) == 4 && row == highlightedRow)
        background = highlightYellow;
    else if (row >= loopFirst && row <= loopLast)
        background = loopPaper;
    g_object_set(renderer, "cell-background", background, nullptr);
}

void fillEditor(int row)
{
    setControlText(WinProgram, IdPrgTypeField, cellText(WinProgram, IdPrgList, row, ColumnType));
    setControlText(WinProgram, IdPrgCommandField, cellText(WinProgram, IdPrgList, row, ColumnCommand));
    setControlText(WinProgram, IdPrgPauseField, cellText(WinProgram, IdPrgList, row, ColumnPause));
    setControlText(WinProgram, IdPrgParamField, cellText(WinProgram, IdPrgList, row, ColumnParameters));
    colourProgramRows(row);
}

std::vector<std::string> editedCells()
{
    return {controlText(WinProgram, IdPrgTypeField), controlText(WinProgram, IdPrgCommandField),
            controlText(WinProgram, IdPrgPauseField), controlText(WinProgram, IdPrgParamField)};
}

void buildProgramPanel()
{
    GtkWidget* panel = newPanel(WinProgram, IdPrgEditorPanel, 482, 632, 82);
    putLabel(panel, "Kommando:", 0, 5, 75);
    addField(panel, WinProgram, IdPrgCommandField, "", 80, 5, 290,
             "Der aktuelle Befehlsrohling. Nur im Kommandoeditor veränderbar.", false);
    putLabel(panel, "Typ:", 372, 5, 30);
    addField(panel, WinProgram, IdPrgTypeField, "", 406, 5, 40,
             "Befehlstyp. Nur im Kommandoeditor veränderbar.", false);
    putLabel(panel, "Pause [ms]:", 450, 5, 75);
    addPauseField(panel, WinProgram, IdPrgPauseField, 530, 5,
                  "Lokale Anpassung der (nicht blockierenden) Delayzeit nach Kommandos");
    putLabel(panel, "Parameter:", 0, 42, 75);
    addField(panel, WinProgram, IdPrgParamField, "9999", 80, 42, 340,
             "Parameter für Befehl. Reihenf., Anz. u. Typ müssen übereinstimmen! Trennz.: Semikolon ';'");
    addPanelButtons(panel, WinProgram, IdPrgCancel, IdPrgOkay, 441, 536, 40);
    hideUntilEditing(panel);
}

} // namespace

const ListWindowKind programKind = {
    WinProgram,
    IdPrgList,
    IdPrgEditorPanel,
    IdPrgOkay,
    90,
    {0, 485, 0, 115},
    {640, 400, 1280, 190},
    {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgCheck, IdPrgPortButton, IdPrgRun},
    fillEditor,
    editedCells,
    colourProgramRows};

void createProgramWindow()
{
    createWindowFrame(WinProgram);
    GtkWidget* fixed = windowFixed(WinProgram);
    buildToolbar(WinProgram, fixed);
    GtkWidget* port = putControl(fixed, WinProgram, IdPrgPortLabel, gtk_label_new("Close"), 337, 5, 56, 24);
    // "tcp:…:5025" rather than a name cut after its first characters.
    gtk_label_set_ellipsize(GTK_LABEL(port), PANGO_ELLIPSIZE_MIDDLE);
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
    for (int column = 0; column < 5; ++column)
        gtk_tree_view_column_set_cell_data_func(listColumn(WinProgram, IdPrgList, column),
                                                listRenderer(WinProgram, IdPrgList, column), drawRunMarks,
                                                GINT_TO_POINTER(column), nullptr);
    connectList(IdPrgList, {2, 3});
    buildProgramPanel();
    applyLimits(programKind, programKind.panelHidden);
    registerShortcuts(WinProgram);
    setShortcutActive(WinProgram, MenuPrgDeleteKey, true);
}

void relayoutProgramWindow()
{
    auto [W, H] = innerSize(WinProgram);
    const int keep = keepValue;
    bool panelShown = editorPanelShown(IdPrgList);
    if (panelShown) {
        placeControl(WinProgram, IdPrgListFrame, keep, keep, W - 4, H - 124);
        placeControl(WinProgram, IdPrgList, keep, keep, W - 8, H - 128);
        placeControl(WinProgram, IdPrgEditorPanel, keep, H - 87, W - 8, keep);
    } else {
        placeControl(WinProgram, IdPrgListFrame, keep, keep, W - 4, H - 35);
        placeControl(WinProgram, IdPrgList, keep, keep, W - 8, H - 39);
    }
    placeControl(WinProgram, IdPrgPortButton, W - 335, keep, keep, keep);
    placeControl(WinProgram, IdPrgPortLabel, W - 303, keep, keep, keep);
    placeControl(WinProgram, IdPrgInfo, W - 243, keep, keep, keep);
    placeControl(WinProgram, IdPrgSetLabel, W - 211, keep, keep, keep);
    placeControl(WinProgram, IdPrgSetField, W - 184, keep, keep, keep);
    placeControl(WinProgram, IdPrgParamField, keep, keep, W - 300, keep);
    placeControl(WinProgram, IdPrgCancel, W - 195, keep, keep, keep);
    placeControl(WinProgram, IdPrgOkay, W - 100, keep, keep, keep);
    setShortcutActive(WinProgram, MenuPrgDeleteKey, !panelShown);
}

void colourProgramRows(int from)
{
    int first = from < 0 ? 0 : from;
    int last = from < 0 ? rowCount(WinProgram, IdPrgList) - 1 : from;
    std::optional<BulkListChange> bulk;
    if (from < 0)
        bulk.emplace(WinProgram, IdPrgList);
    for (int row = first; row <= last; ++row)
        setRowColour(WinProgram, IdPrgList, row,
                     lineTypeColour(intValue(cellText(WinProgram, IdPrgList, row, ColumnType))));
}

void markProgramRows(int highlighted, int firstLoopRow, int lastLoopRow)
{
    GtkWidget* view = controlWidget(WinProgram, IdPrgList);
    bool loopChanged = firstLoopRow != loopFirst || lastLoopRow != loopLast;
    int before = highlightedRow;
    highlightedRow = highlighted;
    loopFirst = firstLoopRow;
    loopLast = lastLoopRow;
    if (!view)
        return;
    if (loopChanged) {
        gtk_widget_queue_draw(view);
        return;
    }
    // Only the rows whose mark changed are drawn again: a run marks a row at every tick.
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
    for (int row : {before, highlighted}) {
        GtkTreeIter iter;
        if (row >= 0 && gtk_tree_model_iter_nth_child(model, &iter, nullptr, row)) {
            GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
            gtk_tree_model_row_changed(model, path, &iter);
            gtk_tree_path_free(path);
        }
    }
}
