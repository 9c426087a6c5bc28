// The protocol window and the protocol control in its list and table forms.
#include "protocol/protocol_window.h"

#include <utility>
#include <vector>

#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_model.h"
#include "protocol/protocol_state.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/redraws.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

int protocolRowLimit = 100000;

namespace {

struct TableListeners {
    std::function<void()> changed;
    std::function<void(int, int, const std::string&)> cellWritten;
} tableListeners;

void tellTableChanged()
{
    if (tableListeners.changed)
        tableListeners.changed();
}

// The store keeps a text column for column 0 and every possible table column.
constexpr int storeColumns = tableColumnLimit;
const char* const frameBlue = "#0000aa";
const char* const addedGreen = "#cdfbde";

std::function<LineContext(int)> lineContext;

// For each table column added to a table that had rows: the last row it shaded. The colours
// of the table follow from the position, so memory grows with the content only.
std::vector<int> shadedUpTo;

// Rows that left the list for its row limit, and how many of them went to an autosave file.
// The list's first row then tells so.
struct MovedOut {
    long long rows = 0;
    long long autosaved = 0;
} movedOut;

GtkTreeView* protocolView()
{
    GtkWidget* view = controlWidget(WinProtocol, IdPtkList);
    return view ? GTK_TREE_VIEW(view) : nullptr;
}

int rowIndex(GtkTreeModel* model, GtkTreeIter* iter)
{
    GtkTreePath* path = gtk_tree_model_get_path(model, iter);
    int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return row;
}

// Table colours: the row-number column and the column-number row white on blue, added
// columns shaded in their even rows from 2.
void drawTableCell(GtkTreeViewColumn*, GtkCellRenderer* renderer, GtkTreeModel* model,
                   GtkTreeIter* iter, gpointer data)
{
    int column = GPOINTER_TO_INT(data);
    int row = rowIndex(model, iter);
    if (protocol.builtMode == ModeTable && (column == 0 || row == 0)) {
        g_object_set(renderer, "foreground", "white", "cell-background", frameBlue, nullptr);
        return;
    }
    bool shaded = protocol.builtMode == ModeTable && column < static_cast<int>(shadedUpTo.size()) &&
                  row >= 2 && row % 2 == 0 && row <= shadedUpTo[column];
    g_object_set(renderer, "foreground-set", FALSE, "cell-background", shaded ? addedGreen : nullptr,
                 nullptr);
}

// List icons by line kind.
void drawKindIcon(GtkTreeViewColumn*, GtkCellRenderer* renderer, GtkTreeModel* model,
                  GtkTreeIter* iter, gpointer)
{
    gint64 kind = -1;
    gtk_tree_model_get(model, iter, listStoreDataColumn, &kind, -1);
    int image = -1;
    if (protocol.builtMode == ModeList) {
        if (kind == TypeCommand || kind == TypeSetDTR || kind == TypeSetRTS)
            image = 14;
        else if (kind == TypeQuery)
            image = 15;
        else if (kind == KindResponse)
            image = 16;
    }
    g_object_set(renderer, "pixbuf", image >= 0 ? quirloImage(image) : nullptr, nullptr);
}

GtkTreeViewColumn* addViewColumn(int column, const std::string& title, int width, bool rightAligned)
{
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    // A value wider than its column shows its start; dragging the heading's edge widens it.
    if (rightAligned)
        g_object_set(text, "xalign", 1.0f, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new();
    gtk_tree_view_column_set_title(viewColumn, title.c_str());
    // The heading stands over its values.
    if (rightAligned)
        gtk_tree_view_column_set_alignment(viewColumn, 1.0f);
    if (column == 0) {
        GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
        gtk_tree_view_column_pack_start(viewColumn, icon, FALSE);
        gtk_tree_view_column_set_cell_data_func(viewColumn, icon, drawKindIcon, nullptr, nullptr);
    }
    gtk_tree_view_column_pack_start(viewColumn, text, TRUE);
    gtk_tree_view_column_add_attribute(viewColumn, text, "text", listStoreTextColumn(column));
    gtk_tree_view_column_set_cell_data_func(viewColumn, text, drawTableCell, GINT_TO_POINTER(column), nullptr);
    gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(viewColumn, width);
    gtk_tree_view_column_set_resizable(viewColumn, TRUE);
    gtk_tree_view_append_column(protocolView(), viewColumn);
    return viewColumn;
}

void setColumnZero(const char* title, int width, bool kindIcons)
{
    GtkTreeViewColumn* zero = gtk_tree_view_get_column(protocolView(), 0);
    gtk_tree_view_column_set_title(zero, title);
    gtk_tree_view_column_set_fixed_width(zero, width);
    GList* cells = gtk_tree_view_column_get_cell_renderers(zero);
    g_object_set(g_list_last(cells)->data, "xalign", 1.0f, nullptr);
    // The view measures a single row, all rows being one line high: the kind icons get their
    // width from the icon, not from whether that row has one.
    GdkPixbuf* icon = quirloImage(14);
    guint xpad = 0;
    g_object_get(cells->data, "xpad", &xpad, nullptr);
    int iconWidth = kindIcons && icon ? gdk_pixbuf_get_width(icon) + 2 * static_cast<int>(xpad) : -1;
    gtk_cell_renderer_set_fixed_size(GTK_CELL_RENDERER(cells->data), iconWidth, -1);
    gtk_tree_view_column_queue_resize(zero);
    g_list_free(cells);
}

void updateLimitIndicator()
{
    GtkWidget* indicator = controlWidget(WinProtocol, IdPtkLimitIndicator);
    if (!indicator)
        return;
    GdkPixbuf* wanted = quirloImage(protocol.limitExceeded ? 28 : 27);
    if (gtk_image_get_storage_type(GTK_IMAGE(indicator)) != GTK_IMAGE_PIXBUF ||
        gtk_image_get_pixbuf(GTK_IMAGE(indicator)) != wanted)
        gtk_image_set_from_pixbuf(GTK_IMAGE(indicator), wanted);
}

void showRow(int row)
{
    GtkTreeView* view = protocolView();
    if (!view)
        return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, TRUE, 0.5f, 0.0f);
    gtk_tree_path_free(path);
}

// The control shows the rows the model added from first on, and the columns it added.
void showTableWrite(const ProtocolModel::TableWrite& write)
{
    if (write.firstAddedRow >= 0) {
        for (int row = write.firstAddedRow; row < protocolModel.rowCount(); ++row)
            insertRow(WinProtocol, IdPtkList, -1, {protocolModel.cell(row, 0)});
    }
    for (int column : write.addedColumns) {
        addViewColumn(column, std::to_string(column), protocol.colWidth, true);
        setCellText(WinProtocol, IdPtkList, 0, column, protocolModel.cell(0, column));
        if (shadedUpTo.size() <= static_cast<size_t>(column))
            shadedUpTo.resize(static_cast<size_t>(column) + 1, 0);
        shadedUpTo[column] = rowCount(WinProtocol, IdPtkList) - 1;
    }
    updateLimitIndicator();
    if (!write.inside)
        return;
    int row = write.row, column = write.column;
    const std::string value = protocolModel.cell(row, column);
    setCellText(WinProtocol, IdPtkList, row, column, value);
    atFrameEnd(WinProtocol, [row] { showRow(row); });
    if (tableListeners.cellWritten)
        tableListeners.cellWritten(row, column, value);
}

std::string movedOutText()
{
    std::string where = movedOut.autosaved == movedOut.rows ? "alle in der Autosave-Datei"
                        : movedOut.autosaved == 0         ? "nicht gesichert"
                                                          : std::to_string(movedOut.autosaved) + " davon in der Autosave-Datei";
    return std::to_string(movedOut.rows) + " ältere Zeilen aus der Liste genommen (höchstens " +
           std::to_string(protocolRowLimit) + " Zeilen), " + where;
}

// A list past its row limit gives up its oldest rows, to the autosave file first when autosave
// runs, and its first row says how many left.
void keepWithinRowLimit()
{
    int note = movedOut.rows > 0 ? 1 : 0;
    int over = protocolModel.rowCount() - note - protocolRowLimit;
    if (over <= 0)
        return;
    // A hundredth of the limit leaves at a time: the list is not reshuffled at every line, and
    // taking the rows out of the view holds the loop up for a few milliseconds only.
    int count = std::min(std::max(over, protocolRowLimit / 100), protocolModel.rowCount() - note - 1);
    if (count <= 0)
        return;
    removeRows(WinProtocol, IdPtkList, note, count);
    bool saved = autosaveMovedOut(protocolModel.removeRows(note, count));
    movedOut.rows += count;
    movedOut.autosaved += saved ? count : 0;
    std::string text = movedOutText();
    if (note) {
        protocolModel.setCell(0, 1, text);
        setCellText(WinProtocol, IdPtkList, 0, 1, text);
    } else {
        ProtocolRow cells = protocolListCells("Info:\n" + text, "", "");
        protocolModel.insertRow(0, cells);
        insertRow(WinProtocol, IdPtkList, 0, cells, -1);
    }
}

void appendListLine(const std::string& text, int kind, const std::string& extra, const std::string& pause)
{
    showWindow(WinProtocol);
    showWindow(WinProgram);
    ProtocolModel::ListWrite write = protocolModel.addListLine(text, pause, extra);
    if (write.added) {
        insertRow(WinProtocol, IdPtkList, -1, protocolModel.rowCells(write.row), kind);
        keepWithinRowLimit();
        // A stream of lines selects and scrolls once a frame, to its last line.
        atFrameEnd(WinProtocol, [] {
            int row = rowCount(WinProtocol, IdPtkList) - 1;
            if (row < 0)
                return;
            clearSelection(WinProtocol, IdPtkList);
            selectRow(WinProtocol, IdPtkList, row, false);
            showRow(row);
        });
    } else if (write.row >= 0) {
        setCellText(WinProtocol, IdPtkList, write.row, 3, protocolModel.cell(write.row, 3));
    }
}

void outputTable(const std::string& text, int kind, const std::string& extra)
{
    showWindow(WinProtocol);
    showWindow(WinProgram);
    if (protocol.protocolMode != ModeTable)
        return;
    if (kind == TypeWrite)
        showTableWrite(protocolModel.writeTableCell(protocol, text));
    else if (kind == KindResponse)
        showTableWrite(protocolModel.writeResponse(protocol, text, extra, chosenIndex(WinSettings, IdSetTableContent),
                                                   toggleState(WinSettings, IdSetSubStrings)));
}

} // namespace

void createProtocolWindow()
{
    createWindowFrame(WinProtocol);
    GtkWidget* fixed = windowFixed(WinProtocol);
    buildToolbar(WinProtocol, fixed);
    putControl(fixed, WinProtocol, IdPtkFileLabel, gtk_label_new("Datei:"), 255, 5, 45, 24);
    GtkWidget* file = putControl(fixed, WinProtocol, IdPtkFileField, gtk_entry_new(), 305, 5, 190, 24);
    gtk_editable_set_editable(GTK_EDITABLE(file), FALSE);
    GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
    gtk_widget_modify_base(file, GTK_STATE_NORMAL, &white);

    GtkWidget* list = createBareListControl(WinProtocol, IdPtkList, storeColumns, false);
    GtkTreeView* view = protocolView();
    gtk_tree_view_set_rules_hint(view, TRUE);
    addViewColumn(0, "Typ", 80, true);
    // Every line is one line high: the view need not measure each line it shows.
    gtk_tree_view_set_fixed_height_mode(view, TRUE);
    putControl(fixed, WinProtocol, 0, list, 5, 35, 490, 206);
    g_signal_connect(view, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer) {
                         if (event->type == GDK_BUTTON_PRESS && event->button == 3) {
                             notePopupClick(event);
                             postEvent(EvControl, WinProtocol, IdPtkList, CtlRightClick);
                         }
                         return FALSE;
                     }),
                     nullptr);
    registerShortcuts(WinProtocol);
    // A program may have set the cell cursor before its first output opens the window.
    int cellRow = protocol.cellRow;
    int cellCol = protocol.cellCol;
    buildProtocolLayout(protocol.protocolMode);
    protocol.cellRow = cellRow;
    protocol.cellCol = cellCol;
}

void protocolOut(const std::string& text, int kind, const std::string& extra)
{
    LineContext context = lineContext ? lineContext(kind) : LineContext{};
    if (!context.portCurrent)
        return;
    // Responses carry whatever bytes a device sent.
    if (protocol.protocolMode == ModeList)
        appendListLine(safeText(text), kind, safeText(extra), context.pause);
    else if (protocol.protocolMode == ModeTable)
        outputTable(safeText(text), kind, extra);
    // A stream of lines, each scrolling the list, draws once per frame.
    drawAtFrameEnd(WinProtocol);
}

void setLineContextSource(std::function<LineContext(int kind)> source)
{
    lineContext = std::move(source);
}

void relayoutProtocolWindow()
{
    auto [W, H] = innerSize(WinProtocol);
    placeControl(WinProtocol, IdPtkList, keepValue, keepValue, W - 10, H - 40);
    placeControl(WinProtocol, IdPtkFileField, W - 195, keepValue, keepValue, keepValue);
    placeControl(WinProtocol, IdPtkFileLabel, W - 245, keepValue, keepValue, keepValue);
}

int protocolColumnCount()
{
    return protocolView() ? protocolModel.columnCount() : 0;
}

void buildProtocolLayout(int mode)
{
    GtkTreeView* view = protocolView();
    if (!view)
        return;
    removeAllRows(WinProtocol, IdPtkList);
    while (gtk_tree_view_get_column(view, 1))
        gtk_tree_view_remove_column(view, gtk_tree_view_get_column(view, 1));
    shadedUpTo.clear();
    movedOut = MovedOut{};
    if (mode == ModeTable) {
        protocol.builtMode = ModeTable;
        setColumnZero("", 30, false);
        protocolModel.buildTable(std::min(protocol.colCount, protocol.maxCols), protocol.colCount);
        for (int column = 1; column < protocolModel.columnCount(); ++column)
            addViewColumn(column, std::to_string(column), protocol.colWidth, true);
        insertRow(WinProtocol, IdPtkList, -1, protocolModel.rows(storeColumns - 1).front());
        protocol.cellRow = 1;
        protocol.lastRow = 1;
        protocol.cellCol = 1;
    } else if (mode == ModeList) {
        protocol.builtMode = ModeList;
        setColumnZero("Typ", 80, true);
        addViewColumn(1, "Senden / Empfangen", 220, false);
        addViewColumn(2, "Pause", 50, true);
        addViewColumn(3, "Fehlercode / Steuerkommando:", 216, false);
        protocolModel.buildList();
        protocol.cellRow = 0;
        protocol.cellCol = 1;
    } else {
        return;
    }
    protocol.colOverflow = false;
    protocol.rowOverflow = false;
    protocol.limitExceeded = false;
    updateLimitIndicator();
    // The diagram shows the measurement table only.
    setControlEnabled(WinProtocol, IdPtkDiagram, mode == ModeTable);
    tellTableChanged();
}

void growProtocolColumns(int dataColumns)
{
    ProtocolModel::TableWrite added;
    while (protocolModel.columnCount() - 1 < dataColumns && protocolModel.columnCount() < storeColumns)
        added.addedColumns.push_back(protocolModel.addTableColumn(protocol));
    showTableWrite(added);
}

void shrinkProtocolColumns(int dataColumns)
{
    GtkTreeView* view = protocolView();
    int before = protocolModel.columnCount();
    protocolModel.dropColumnsAfter(dataColumns);
    int rows = rowCount(WinProtocol, IdPtkList);
    for (int column = before - 1; view && column >= protocolModel.columnCount(); --column) {
        gtk_tree_view_remove_column(view, gtk_tree_view_get_column(view, column));
        for (int row = 0; row < rows; ++row)
            setCellText(WinProtocol, IdPtkList, row, column, "");
    }
    tellTableChanged();
}

void clearProtocol(bool ask)
{
    if (ask && messageBox(WinProtocol, "Quirlo", "Komplette Protokoll-Liste leeren?", IconQuestion,
                          ButtonsYesNo) != ResultYes)
        return;
    if (protocol.protocolMode == ModeTable) {
        buildProtocolLayout(protocol.builtMode);
        setControlText(WinProtocol, IdPtkFileField, "");
    } else if (protocol.protocolMode == ModeList) {
        protocolModel.clear();
        removeAllRows(WinProtocol, IdPtkList);
        movedOut = MovedOut{};
    }
}

void deleteProtocolRow()
{
    int row = selectedRow(WinProtocol, IdPtkList);
    if (row <= 0)
        return;
    protocolModel.removeRow(row);
    removeRow(WinProtocol, IdPtkList, row);
    --protocol.cellRow;
    tellTableChanged();
}

bool protocolShownAsTable()
{
    return protocol.builtMode == ModeTable;
}

ProtocolRows protocolRows()
{
    if (!protocolView())
        return {};
    return protocolModel.snapshot();
}

void setTableListeners(std::function<void()> changed, std::function<void(int, int, const std::string&)> cellWritten)
{
    tableListeners = {std::move(changed), std::move(cellWritten)};
}
