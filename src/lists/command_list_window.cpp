// The command list window: its top row, the list with sorting and searching, and the command
// editor.
#include <array>

#include "common/line_types.h"
#include "common/text.h"
#include "lists/command_sort.h"
#include "lists/list_window_parts.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

namespace {

// Sort state of the command list: the sort column (-1: unsorted, the stored row data hold
// the positions before the first sort) and each column's direction.
int sortColumn = -1;
std::array<bool, 4> sortDescending{};
// The type text of the entry in the command editor, kept for a code the choice cannot show.
std::string editedTypeText;

GtkComboBox* typeBox()
{
    return GTK_COMBO_BOX(controlWidget(WinCommandList, IdCmdTypeBox));
}

void fillEditor(int row)
{
    editedTypeText = cellText(WinCommandList, IdCmdList, row, 0);
    long long code = intValue(editedTypeText);
    gtk_combo_box_set_active(typeBox(), lineType(code) ? static_cast<int>(code) : -1);
    setControlText(WinCommandList, IdCmdCommandField, cellText(WinCommandList, IdCmdList, row, 1));
    setControlText(WinCommandList, IdCmdPauseField, cellText(WinCommandList, IdCmdList, row, 2));
    setControlText(WinCommandList, IdCmdDescriptionField, cellText(WinCommandList, IdCmdList, row, 3));
}

std::vector<std::string> editedCells()
{
    int code = gtk_combo_box_get_active(typeBox());
    // A code the choice cannot show stays as it was rather than becoming "-1".
    return {code >= 0 ? std::to_string(code) : editedTypeText, controlText(WinCommandList, IdCmdCommandField),
            controlText(WinCommandList, IdCmdPauseField), controlText(WinCommandList, IdCmdDescriptionField)};
}

void buildCommandPanel()
{
    GtkWidget* panel = newPanel(WinCommandList, IdCmdEditorPanel, 510, 605, 115);
    putLabel(panel, "Typ:", 0, 5, 40);
    GtkWidget* types = gtk_combo_box_new_text();
    for (int code = 0; code < LineTypeCount; ++code)
        gtk_combo_box_append_text(GTK_COMBO_BOX(types), lineType(code)->choice);
    gtk_combo_box_set_active(GTK_COMBO_BOX(types), TypeCommand);
    putControl(panel, WinCommandList, IdCmdTypeBox, types, 45, 4, 120, 26);
    gtk_widget_set_tooltip_text(types, "Wählt Typ für Kommando-Rohling: Kommando, Abfrage, ...");
    connectControlEvent(types, "changed", WinCommandList, IdCmdTypeBox, CtlChange);
    putLabel(panel, "Kommando:", 170, 5, 75);
    addField(panel, WinCommandList, IdCmdCommandField, "Neuer Eintrag", 250, 5, 350,
             "Eingabe des Kommando-Rohlings (Mit Parameterplatzhalter <b>,<i><f><s>)");
    putLabel(panel, "Beschreibung:", 0, 40, 95);
    addField(panel, WinCommandList, IdCmdDescriptionField, "Kommando", 100, 40, 500,
             "Freie Eingabe einer Textbeschreibung des Kommandos");
    putLabel(panel, "Pause [ms]:", 0, 78, 95);
    addPauseField(panel, WinCommandList, IdCmdPauseField, 100, 78,
                  "Eingabe einer individuellen (nicht blockierenden) Wartezeit nach Kommandos");
    addPanelButtons(panel, WinCommandList, IdCmdCancel, IdCmdOkay, 410, 510, 75);
    hideUntilEditing(panel);
}

void onHeaderClicked(GtkTreeViewColumn*, gpointer data)
{
    Event event;
    event.kind = EvControl;
    event.window = WinCommandList;
    event.object = IdCmdList;
    event.type = CtlHeaderClick;
    event.column = GPOINTER_TO_INT(data);
    postEvent(event);
}

std::vector<SortRow> commandRows()
{
    std::vector<SortRow> rows(static_cast<size_t>(rowCount(WinCommandList, IdCmdList)));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        for (int column = 0; column < 4; ++column)
            rows[row].cells.push_back(cellText(WinCommandList, IdCmdList, row, column));
        rows[row].selected = rowSelected(WinCommandList, IdCmdList, row);
        rows[row].data = rowData(WinCommandList, IdCmdList, row);
    }
    return rows;
}

void clearSortIndicators()
{
    for (int column = 0; column < 4; ++column) {
        if (GtkTreeViewColumn* viewColumn = listColumn(WinCommandList, IdCmdList, column))
            gtk_tree_view_column_set_sort_indicator(viewColumn, FALSE);
    }
}

// Moves the window 10 pixels right, 10 left of its place and back, the sign of a failed search.
void shakeWindow(int window)
{
    GtkWindow* widget = GTK_WINDOW(windowWidget(window));
    int x = 0, y = 0;
    gtk_window_get_position(widget, &x, &y);
    for (int offset : {10, -10, 0}) {
        gtk_window_move(widget, x + offset, y);
        gdk_flush();
        if (offset != 0)
            g_usleep(250000);
    }
}

bool containsIgnoringCase(const std::string& text, const std::string& part)
{
    gchar* foldedText = g_utf8_casefold(text.c_str(), -1);
    gchar* foldedPart = g_utf8_casefold(part.c_str(), -1);
    bool found = std::string(foldedText).find(foldedPart) != std::string::npos;
    g_free(foldedPart);
    g_free(foldedText);
    return found;
}

} // namespace

const ListWindowKind commandListKind = {
    WinCommandList, IdCmdList, IdCmdEditorPanel, IdCmdOkay, 120, {615, 400, 1024, 110}, {615, 400, 1024, 230},
    {},             fillEditor, editedCells,    [](int) {}};

void createCommandListWindow()
{
    createWindowFrame(WinCommandList);
    GtkWidget* fixed = windowFixed(WinCommandList);
    buildToolbar(WinCommandList, fixed);
    addSetField(WinCommandList, 275, 305, 200, IdCmdSetLabel, IdCmdSetField);
    GtkWidget* list = createListControl(WinCommandList, IdCmdList,
                                        {{"Typ", 35, true},
                                         {"Kommando:", 220, false},
                                         {"Pause:", 50, true},
                                         {"Beschreibung:", 400, false}},
                                        false);
    putControl(fixed, WinCommandList, 0, list, 5, 40, 605, 465);
    connectList(IdCmdList, {1, 2, 3});
    for (int column : {1, 3}) {
        GtkTreeViewColumn* viewColumn = listColumn(WinCommandList, IdCmdList, column);
        gtk_tree_view_column_set_clickable(viewColumn, TRUE);
        g_signal_connect(viewColumn, "clicked", G_CALLBACK(onHeaderClicked), GINT_TO_POINTER(column));
    }
    buildCommandPanel();
    applyLimits(commandListKind, commandListKind.panelHidden);
    sortColumn = -1;
    sortDescending.fill(false);
    registerShortcuts(WinCommandList);
    setShortcutActive(WinCommandList, MenuCmdDeleteKey, true);
}

void relayoutCommandListWindow()
{
    auto [W, H] = innerSize(WinCommandList);
    const int keep = keepValue;
    bool panelShown = editorPanelShown(IdCmdList);
    if (panelShown) {
        placeControl(WinCommandList, IdCmdList, keep, keep, W - 10, H - 164);
        placeControl(WinCommandList, IdCmdEditorPanel, keep, H - 120, W - 10, keep);
    } else {
        placeControl(WinCommandList, IdCmdList, keep, keep, W - 10, H - 45);
        placeControl(WinCommandList, IdCmdEditorPanel, keep, H, W - 10, keep);
    }
    setShortcutActive(WinCommandList, MenuCmdDeleteKey, !panelShown);
}

void fillTypeBlank()
{
    int code = gtk_combo_box_get_active(typeBox());
    const LineType* type = lineType(code);
    if (!type)
        return;
    editedTypeText = std::to_string(code);
    if (type->blank)
        setControlText(WinCommandList, IdCmdCommandField, type->blank);
    if (type->description)
        setControlText(WinCommandList, IdCmdDescriptionField, type->description);
    if (lineTypeClearsPause(code))
        setControlText(WinCommandList, IdCmdPauseField, "0");
}

void sortCommandList(int column)
{
    if ((column != 1 && column != 3) || !windowExists(WinCommandList))
        return;
    int count = rowCount(WinCommandList, IdCmdList);
    if (sortColumn == -1) {
        BulkListChange bulk(WinCommandList, IdCmdList);
        for (int row = 0; row < count; ++row)
            setRowData(WinCommandList, IdCmdList, row, row + 1);
        setControlEnabled(WinCommandList, IdCmdRestoreOrder, true);
    }
    sortColumn = column;
    clearSortIndicators();
    sortDescending[column] = !sortDescending[column];
    GtkTreeViewColumn* viewColumn = listColumn(WinCommandList, IdCmdList, column);
    gtk_tree_view_column_set_sort_indicator(viewColumn, TRUE);
    gtk_tree_view_column_set_sort_order(viewColumn, sortDescending[column] ? GTK_SORT_DESCENDING
                                                                           : GTK_SORT_ASCENDING);
    reorderRows(WinCommandList, IdCmdList, commandSortOrder(commandRows(), column, sortDescending[column]));
}

void restoreUnsortedOrder()
{
    if (!windowExists(WinCommandList))
        return;
    clearSortIndicators();
    std::vector<long long> data;
    for (int row = 0; row < rowCount(WinCommandList, IdCmdList); ++row)
        data.push_back(rowData(WinCommandList, IdCmdList, row));
    reorderRows(WinCommandList, IdCmdList, unsortedOrder(data));
    sortColumn = -1;
    setControlEnabled(WinCommandList, IdCmdRestoreOrder, false);
}

bool commandListSorted()
{
    return sortColumn != -1;
}

void findCommand(bool next)
{
    std::string text = controlText(WinCommandList, IdCmdSearchField);
    if (text.empty())
        return;
    int start = next ? selectedRow(WinCommandList, IdCmdList) + 1 : 0;
    for (int row = start; row < rowCount(WinCommandList, IdCmdList); ++row) {
        if (containsIgnoringCase(cellText(WinCommandList, IdCmdList, row, 1), text)) {
            clearSelection(WinCommandList, IdCmdList);
            selectRow(WinCommandList, IdCmdList, row, true);
            return;
        }
    }
    clearSelection(WinCommandList, IdCmdList);
    GtkEditable* field = GTK_EDITABLE(controlWidget(WinCommandList, IdCmdSearchField));
    int cursor = gtk_editable_get_position(field);
    if (cursor > 0) {
        SilentChange silent;
        gtk_editable_delete_text(field, cursor - 1, cursor);
    }
    shakeWindow(WinCommandList);
}
