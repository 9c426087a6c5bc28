// What the command list window and the program window share: editor panel, "Set:" field,
// list clicks and in-place cell editing.
#include "lists/list_windows.h"

#include "common/text.h"
#include "lists/list_window_parts.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/popup_menus.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

namespace {

const ListWindowKind& kindOf(int list)
{
    return list == IdCmdList ? commandListKind : programKind;
}

// A double click opens the editor, on editable cells too; a right click selects the row under
// the pointer, as users expect, then asks for the menu.
gboolean onListButton(GtkWidget* view, GdkEventButton* event, gpointer data)
{
    const ListWindowKind& kind = kindOf(GPOINTER_TO_INT(data));
    if (event->type == GDK_2BUTTON_PRESS && event->button == 1) {
        postEvent(EvControl, kind.window, kind.list, CtlActivate);
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
    notePopupClick(event);
    postEvent(EvControl, kind.window, kind.list, CtlRightClick);
    return TRUE;
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
    setCellEditingShortcuts(kindOf(list).window, true, editorPanelShown(list));
}

void onEditingEnded(GtkCellRenderer*, gpointer data)
{
    int list = static_cast<EditableCell*>(data)->list;
    activeCellEdit = nullptr;
    setCellEditingShortcuts(kindOf(list).window, false, editorPanelShown(list));
}

// Ends an open in-place edit, keeping what was typed, before the editor panel takes over.
void finishCellEdit()
{
    // The list takes the text and removes the entry when the edit is done.
    if (activeCellEdit)
        gtk_cell_editable_editing_done(activeCellEdit);
}

// The list control stores what was typed into its cell, a change a save must not lose.
void onEdited(GtkCellRendererText* renderer, gchar* path, gchar* text, gpointer data)
{
    auto* cell = static_cast<EditableCell*>(data);
    int row = static_cast<int>(g_ascii_strtoll(path, nullptr, 10));
    setCellText(kindOf(cell->list).window, cell->list, row, cell->column, lineFieldText(text));
    setTitleMarker(cell->list, true);
    onEditingEnded(GTK_CELL_RENDERER(renderer), data);
}

// The private drag targets: an entry of the command list or of the program, inside Quirlo.
GtkTargetEntry dragTargets[] = {
    {const_cast<gchar*>("quirlo-command-entry"), GTK_TARGET_SAME_APP, IdCmdList},
    {const_cast<gchar*>("quirlo-program-entry"), GTK_TARGET_SAME_APP, IdPrgList},
};

void onDragBegin(GtkWidget*, GdkDragContext*, gpointer data)
{
    const ListWindowKind& kind = kindOf(GPOINTER_TO_INT(data));
    postEvent(EvControl, kind.window, kind.list, CtlDragStart);
}

void onDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* selection, guint, guint, gpointer)
{
    // The rows travel through the selection of the list they come from, not through the data.
    gtk_selection_data_set(selection, selection->target, 8, reinterpret_cast<const guchar*>(""), 0);
}

// The row a drop at the pointer's place goes before: the row under the pointer, or the one
// after it when the pointer is in its lower half; -1 below the last row.
int dropRowAt(GtkWidget* view, gint x, gint y)
{
    GtkTreePath* path = nullptr;
    GtkTreeViewDropPosition position = GTK_TREE_VIEW_DROP_BEFORE;
    if (!gtk_tree_view_get_dest_row_at_pos(GTK_TREE_VIEW(view), x, y, &path, &position))
        return -1;
    int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    bool after = position == GTK_TREE_VIEW_DROP_AFTER || position == GTK_TREE_VIEW_DROP_INTO_OR_AFTER;
    return after ? row + 1 : row;
}

void onDragDataReceived(GtkWidget* view, GdkDragContext* context, gint x, gint y, GtkSelectionData*, guint info,
                        guint time, gpointer data)
{
    const ListWindowKind& kind = kindOf(GPOINTER_TO_INT(data));
    Event drop;
    drop.kind = EvDrop;
    drop.window = kind.window;
    drop.object = kind.list;
    drop.dropType = static_cast<int>(info);
    drop.dropAction = static_cast<int>(context->action);
    drop.dropRow = dropRowAt(view, x, y);
    postEvent(drop);
    gtk_drag_finish(context, TRUE, FALSE, time);
}

void freeEditableCell(gpointer data, GClosure*)
{
    delete static_cast<EditableCell*>(data);
}

void showPanel(const ListWindowKind& kind)
{
    auto [width, height] = innerSize(kind.window);
    applyLimits(kind, kind.panelShown);
    gtk_window_resize(GTK_WINDOW(windowWidget(kind.window)), width, height + kind.panelGrowth);
    for (int id : kind.lockedWhileEditing)
        setControlEnabled(kind.window, id, false);
    gtk_widget_show(controlWidget(kind.window, kind.panel));
    setControlText(kind.window, kind.okay, selectedRow(kind.window, kind.list) == -1 ? "Neu" : "Ändern");
    gtk_widget_grab_focus(controlWidget(kind.window, kind.okay));
    postEvent(EvResize, kind.window, 0);
}

void hidePanel(const ListWindowKind& kind)
{
    auto [width, height] = innerSize(kind.window);
    gtk_widget_hide(controlWidget(kind.window, kind.panel));
    gtk_window_resize(GTK_WINDOW(windowWidget(kind.window)), width, height - kind.panelGrowth);
    applyLimits(kind, kind.panelHidden);
    for (int id : kind.lockedWhileEditing)
        setControlEnabled(kind.window, id, true);
    postEvent(EvResize, kind.window, 0);
}

} // namespace

void applyLimits(const ListWindowKind& kind, const WindowLimits& limits)
{
    int width = innerSize(kind.window).first;
    setSizeLimits(kind.window, limits.minWidth ? limits.minWidth : width, limits.minHeight,
                  limits.maxWidth ? limits.maxWidth : width, primaryMonitorHeight() - limits.screenMargin);
}

GtkWidget* addField(GtkWidget* fixed, int window, int id, const char* text, int x, int y, int width,
                    const char* toolTip, bool editable)
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

void addSetField(int window, int labelX, int fieldX, int fieldWidth, int labelId, int fieldId)
{
    GtkWidget* fixed = windowFixed(window);
    putControl(fixed, window, labelId, gtk_label_new("Set:"), labelX, 5, 26, 24);
    GtkWidget* field = putControl(fixed, window, fieldId, gtk_entry_new(), fieldX, 5, fieldWidth, 24);
    gtk_entry_set_text(GTK_ENTRY(field), "SetName");
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
}

// An empty command list says how to begin; a list with entries needs no tip.
void tellHowToBegin(GtkTreeModel* model, GtkWidget* view)
{
    bool empty = gtk_tree_model_iter_n_children(model, nullptr) == 0;
    gtk_widget_set_tooltip_text(view, empty ? "Rechtsklick: Eintrag neu" : nullptr);
}

void connectList(int list, std::initializer_list<int> editableColumns)
{
    int window = kindOf(list).window;
    GtkWidget* view = controlWidget(window, list);
    g_signal_connect(view, "button-press-event", G_CALLBACK(onListButton), GINT_TO_POINTER(list));
    if (list == IdCmdList) {
        GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
        g_signal_connect_after(model, "row-inserted",
                               G_CALLBACK(+[](GtkTreeModel* rows, GtkTreePath*, GtkTreeIter*, gpointer tipped) {
                                   tellHowToBegin(rows, GTK_WIDGET(tipped));
                               }),
                               view);
        g_signal_connect_after(model, "row-deleted", G_CALLBACK(+[](GtkTreeModel* rows, GtkTreePath*, gpointer tipped) {
                                   tellHowToBegin(rows, GTK_WIDGET(tipped));
                               }),
                               view);
        tellHowToBegin(model, view);
    }
    // The command list offers its entry to itself and the program (move, link, copy); the
    // program takes entries of both and moves its own.
    bool commands = list == IdCmdList;
    gtk_drag_source_set(view, GDK_BUTTON1_MASK, &dragTargets[commands ? 0 : 1], 1,
                        GdkDragAction(commands ? GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK : GDK_ACTION_LINK));
    gtk_drag_dest_set(view, GTK_DEST_DEFAULT_ALL, dragTargets, commands ? 1 : 2,
                      GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
    g_signal_connect(view, "drag-begin", G_CALLBACK(onDragBegin), GINT_TO_POINTER(list));
    g_signal_connect(view, "drag-data-get", G_CALLBACK(onDragDataGet), nullptr);
    g_signal_connect(view, "drag-data-received", G_CALLBACK(onDragDataReceived), GINT_TO_POINTER(list));
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

void openEditor(int list)
{
    const ListWindowKind& kind = kindOf(list);
    if (!windowExists(kind.window))
        return;
    finishCellEdit();
    setControlEnabled(kind.window, list, false);
    int row = selectedRow(kind.window, list);
    if (row != -1) {
        SilentChange silent;
        kind.fillEditor(row);
    }
    if (!editorPanelShown(list))
        showPanel(kind);
}

void closeEditor(int list)
{
    const ListWindowKind& kind = kindOf(list);
    if (!windowExists(kind.window))
        return;
    if (editorPanelShown(list))
        hidePanel(kind);
    setControlEnabled(kind.window, list, true);
}

void takeOverEntry(int list)
{
    const ListWindowKind& kind = kindOf(list);
    if (!windowExists(kind.window))
        return;
    std::vector<std::string> cells = kind.editedCells();
    int row = selectedRow(kind.window, list);
    if (row == -1) {
        row = insertRow(kind.window, list, -1, cells);
    } else {
        for (int column = 0; column < static_cast<int>(cells.size()); ++column)
            setCellText(kind.window, list, row, column, cells[column]);
    }
    kind.rowTakenOver(row);
    setTitleMarker(list, true);
}

bool editorPanelShown(int list)
{
    const ListWindowKind& kind = kindOf(list);
    return controlVisible(kind.window, kind.panel);
}
