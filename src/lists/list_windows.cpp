// The command list window and the program window: top rows, lists, editor panels, sorting,
// searching and in-place cell editing.
#include "lists/list_windows.h"

#include <array>

#include "common/text.h"
#include "lists/command_sort.h"
#include "lists/line_types.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

namespace {

constexpr int commandPanelGrowth = 120;
constexpr int programPanelGrowth = 90;

// Sort state of the command list: the sort column (-1: unsorted, the stored row data hold
// the positions before the first sort) and each column's direction.
int sortColumn = -1;
std::array<bool, 4> sortDescending{};
// The type text of the entry in the command editor, kept for a code the choice cannot show.
std::string editedTypeText;

const int programEditingLocks[] = {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgCheck,
                                   IdPrgPortButton, IdPrgRun};

int windowOf(int list)
{
    return list == IdCmdList ? WinCommandList : WinProgram;
}

int panelOf(int list)
{
    return list == IdCmdList ? IdCmdEditorPanel : IdPrgEditorPanel;
}

GtkWidget* addField(GtkWidget* fixed, int window, int id, const char* text, int x, int y,
                    int width, const char* toolTip, bool editable = true)
{
    GtkWidget* field = putField(fixed, window, id, text, x, y, width, toolTip);
    gtk_editable_set_editable(GTK_EDITABLE(field), editable);
    return field;
}

GtkWidget* addPauseField(GtkWidget* fixed, int window, int id, int x, int y, const char* toolTip)
{
    GtkWidget* field = addField(fixed, window, id, window == WinProgram ? "9999" : "1000", x, y, 70, toolTip);
    makeDigitsOnly(field);
    return field;
}

GtkWidget* newPanel(int window, int id, int y, int width, int height)
{
    return putControl(windowFixed(window), window, id, gtk_fixed_new(), 5, y, width, height);
}

// The panel's controls are ready but the panel stays hidden, also when the window is shown.
void hideUntilEditing(GtkWidget* panel)
{
    gtk_widget_show_all(panel);
    gtk_widget_hide(panel);
    gtk_widget_set_no_show_all(panel, TRUE);
}

void addPanelButtons(GtkWidget* panel, int window, int cancelId, int okayId, int cancelX, int okayX, int y)
{
    GtkWidget* cancel = putButton(panel, window, cancelId, "Abbruch", cancelX, y, 90, 30, false);
    gtk_widget_set_tooltip_text(cancel, "Abbruch der Bearbeitung =[Esc]");
    GtkWidget* okay = putButton(panel, window, okayId, "Okay", okayX, y, 90, 30, true);
    gtk_widget_set_tooltip_text(okay, "Übernimmt Einstellung in Liste =[Return]");
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

// A "Set:" label with the read-only field that names the list's file.
void addSetField(int window, int labelX, int fieldX, int fieldWidth, int labelId, int fieldId)
{
    GtkWidget* fixed = windowFixed(window);
    putControl(fixed, window, labelId, gtk_label_new("Set:"), labelX, 5, 26, 24);
    GtkWidget* field = putControl(fixed, window, fieldId, gtk_entry_new(), fieldX, 5, fieldWidth, 24);
    gtk_entry_set_text(GTK_ENTRY(field), "SetName");
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
}

// A double click opens the editor, on editable cells too; a right click selects the row under
// the pointer, as users expect, then asks for the menu.
gboolean onListButton(GtkWidget* view, GdkEventButton* event, gpointer data)
{
    int list = GPOINTER_TO_INT(data);
    if (event->type == GDK_2BUTTON_PRESS && event->button == 1) {
        postEvent(EvControl, windowOf(list), list, CtlActivate);
        return TRUE;
    }
    if (event->type != GDK_BUTTON_PRESS || event->button != 3)
        return FALSE;
    GtkTreePath* path = nullptr;
    if (gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(view), static_cast<gint>(event->x),
                                      static_cast<gint>(event->y), &path, nullptr, nullptr, nullptr)) {
        GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
        if (!gtk_tree_selection_path_is_selected(selection, path)) {
            gtk_tree_selection_unselect_all(selection);
            gtk_tree_selection_select_path(selection, path);
        }
        gtk_tree_path_free(path);
    }
    postEvent(EvControl, windowOf(list), list, CtlRightClick);
    return TRUE;
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

struct EditableCell {
    int list;
    int column;
};

// The entry of an in-place cell edit while it is open.
GtkCellEditable* activeCellEdit = nullptr;

void onEditingStarted(GtkCellRenderer*, GtkCellEditable* editable, gchar*, gpointer data)
{
    int list = static_cast<EditableCell*>(data)->list;
    activeCellEdit = editable;
    setCellEditingShortcuts(windowOf(list), true, editorPanelShown(list));
}

void onEditingEnded(GtkCellRenderer*, gpointer data)
{
    int list = static_cast<EditableCell*>(data)->list;
    activeCellEdit = nullptr;
    setCellEditingShortcuts(windowOf(list), false, editorPanelShown(list));
}

// Ends an open in-place edit, keeping what was typed, before the editor panel takes over.
void finishCellEdit()
{
    // The list takes the text and removes the entry when the edit is done.
    if (activeCellEdit)
        gtk_cell_editable_editing_done(activeCellEdit);
}

// The list control stores what was typed into its cell; no modified flag for in-place edits.
void onEdited(GtkCellRendererText* renderer, gchar* path, gchar* text, gpointer data)
{
    auto* cell = static_cast<EditableCell*>(data);
    int row = static_cast<int>(g_ascii_strtoll(path, nullptr, 10));
    setCellText(windowOf(cell->list), cell->list, row, cell->column, text);
    onEditingEnded(GTK_CELL_RENDERER(renderer), data);
}

void freeEditableCell(gpointer data, GClosure*)
{
    delete static_cast<EditableCell*>(data);
}

void connectList(int list, std::initializer_list<int> editableColumns)
{
    int window = windowOf(list);
    GtkWidget* view = controlWidget(window, list);
    g_signal_connect(view, "button-press-event", G_CALLBACK(onListButton), GINT_TO_POINTER(list));
    for (int column : editableColumns) {
        GtkCellRenderer* renderer = listRenderer(window, list, column);
        g_object_set(renderer, "editable", TRUE, nullptr);
        g_signal_connect_data(renderer, "editing-started", G_CALLBACK(onEditingStarted),
                              new EditableCell{list, column}, freeEditableCell, GConnectFlags(0));
        g_signal_connect_data(renderer, "editing-canceled", G_CALLBACK(onEditingEnded),
                              new EditableCell{list, column}, freeEditableCell, GConnectFlags(0));
        g_signal_connect_data(renderer, "edited", G_CALLBACK(onEdited),
                              new EditableCell{list, column}, freeEditableCell, GConnectFlags(0));
    }
}

void showPanel(int list)
{
    int window = windowOf(list);
    auto [width, height] = innerSize(window);
    int screen = primaryMonitorHeight();
    int okay = list == IdCmdList ? IdCmdOkay : IdPrgOkay;
    if (list == IdCmdList) {
        setSizeLimits(window, 615, 400, 1024, screen - 110);
        gtk_window_resize(GTK_WINDOW(windowWidget(window)), width, height + commandPanelGrowth);
    } else {
        setSizeLimits(window, width, 485, width, screen - 115);
        gtk_window_resize(GTK_WINDOW(windowWidget(window)), width, height + programPanelGrowth);
        for (int id : programEditingLocks)
            setControlEnabled(window, id, false);
    }
    gtk_widget_show(controlWidget(window, panelOf(list)));
    setControlText(window, okay, selectedRow(window, list) == -1 ? "Neu" : "Ändern");
    gtk_widget_grab_focus(controlWidget(window, okay));
    postEvent(EvResize, window, 0);
}

void hidePanel(int list)
{
    int window = windowOf(list);
    auto [width, height] = innerSize(window);
    int screen = primaryMonitorHeight();
    gtk_widget_hide(controlWidget(window, panelOf(list)));
    if (list == IdCmdList) {
        gtk_window_resize(GTK_WINDOW(windowWidget(window)), width, height - commandPanelGrowth);
        setSizeLimits(window, 615, 400, 1024, screen - 230);
    } else {
        gtk_window_resize(GTK_WINDOW(windowWidget(window)), width, height - programPanelGrowth);
        setSizeLimits(window, 640, 400, 1280, screen - 190);
        for (int id : programEditingLocks)
            setControlEnabled(window, id, true);
    }
    postEvent(EvResize, window, 0);
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

void createCommandListWindow()
{
    createWindowFrame(WinCommandList);
    GtkWidget* fixed = windowFixed(WinCommandList);
    buildToolbar(WinCommandList, fixed);
    addSetField(WinCommandList, 275, 305, 200, 0, 0);
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
    setSizeLimits(WinCommandList, 615, 400, 1024, primaryMonitorHeight() - 230);
    sortColumn = -1;
    sortDescending.fill(false);
    registerShortcuts(WinCommandList);
    setShortcutActive(WinCommandList, MenuCmdDeleteKey, true);
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
    connectList(IdPrgList, {2, 3});
    buildProgramPanel();
    setSizeLimits(WinProgram, 640, 400, 1280, primaryMonitorHeight() - 190);
    registerShortcuts(WinProgram);
    setShortcutActive(WinProgram, MenuPrgDeleteKey, true);
}

void colourProgramRows(int from)
{
    int first = from < 0 ? 0 : from;
    int last = from < 0 ? rowCount(WinProgram, IdPrgList) - 1 : from;
    for (int row = first; row <= last; ++row)
        setRowColour(WinProgram, IdPrgList, row,
                     lineTypeColour(intValue(cellText(WinProgram, IdPrgList, row, 0))));
}

void setModified(int list, bool modified)
{
    setTitleMarker(list, modified);
}

void openEditor(int list)
{
    int window = windowOf(list);
    if (!windowExists(window))
        return;
    finishCellEdit();
    setControlEnabled(window, list, false);
    int row = selectedRow(window, list);
    if (row != -1) {
        SilentChange silent;
        if (list == IdCmdList) {
            editedTypeText = cellText(window, list, row, 0);
            long long code = intValue(editedTypeText);
            gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(window, IdCmdTypeBox)),
                                     lineType(code) ? static_cast<int>(code) : -1);
            setControlText(window, IdCmdCommandField, cellText(window, list, row, 1));
            setControlText(window, IdCmdPauseField, cellText(window, list, row, 2));
            setControlText(window, IdCmdDescriptionField, cellText(window, list, row, 3));
        } else {
            setControlText(window, IdPrgTypeField, cellText(window, list, row, 0));
            setControlText(window, IdPrgCommandField, cellText(window, list, row, 1));
            setControlText(window, IdPrgPauseField, cellText(window, list, row, 2));
            setControlText(window, IdPrgParamField, cellText(window, list, row, 3));
            colourProgramRows(row);
        }
    }
    if (!editorPanelShown(list))
        showPanel(list);
}

void closeEditor(int list)
{
    int window = windowOf(list);
    if (!windowExists(window))
        return;
    if (editorPanelShown(list))
        hidePanel(list);
    setControlEnabled(window, list, true);
}

void takeOverEntry(int list)
{
    int window = windowOf(list);
    if (!windowExists(window))
        return;
    std::vector<std::string> cells;
    if (list == IdCmdList) {
        int code = gtk_combo_box_get_active(GTK_COMBO_BOX(controlWidget(window, IdCmdTypeBox)));
        // A code the choice cannot show stays as it was rather than becoming "-1".
        cells = {code >= 0 ? std::to_string(code) : editedTypeText, controlText(window, IdCmdCommandField),
                 controlText(window, IdCmdPauseField), controlText(window, IdCmdDescriptionField)};
    } else {
        cells = {controlText(window, IdPrgTypeField), controlText(window, IdPrgCommandField),
                 controlText(window, IdPrgPauseField), controlText(window, IdPrgParamField)};
    }
    int row = selectedRow(window, list);
    if (row == -1) {
        if (list == IdPrgList)
            cells.push_back("");
        row = insertRow(window, list, -1, cells);
        if (list == IdPrgList)
            colourProgramRows(row);
    } else {
        for (int column = 0; column < 4; ++column)
            setCellText(window, list, row, column, cells[column]);
    }
    setModified(list, true);
}

void fillTypeBlank(int list)
{
    if (list != IdCmdList)
        return;
    int code = gtk_combo_box_get_active(GTK_COMBO_BOX(controlWidget(WinCommandList, IdCmdTypeBox)));
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

bool editorPanelShown(int list)
{
    return controlVisible(windowOf(list), panelOf(list));
}

void sortCommandList(int column)
{
    if ((column != 1 && column != 3) || !windowExists(WinCommandList))
        return;
    int count = rowCount(WinCommandList, IdCmdList);
    if (sortColumn == -1) {
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
