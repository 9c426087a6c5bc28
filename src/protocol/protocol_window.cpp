// The protocol window and the protocol control in its list and table forms.
#include "protocol/protocol_window.h"

#include <utility>
#include <vector>

#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_state.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

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
constexpr int storeColumns = 256;
const char* const frameBlue = "#0000aa";
const char* const addedGreen = "#cdfbde";

std::function<LineContext(int)> lineContext;

// For each table column added to a table that had rows: the last row it shaded. The colours
// of the table follow from the position, so memory grows with the content only.
std::vector<int> shadedUpTo;

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

void setColumnZero(const char* title, int width)
{
    GtkTreeViewColumn* zero = gtk_tree_view_get_column(protocolView(), 0);
    gtk_tree_view_column_set_title(zero, title);
    gtk_tree_view_column_set_fixed_width(zero, width);
    GList* cells = gtk_tree_view_column_get_cell_renderers(zero);
    g_object_set(g_list_last(cells)->data, "xalign", 1.0f, nullptr);
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

void addTableRow()
{
    int row = insertRow(WinProtocol, IdPtkList, -1, {});
    setCellText(WinProtocol, IdPtkList, row, 0, std::to_string(row));
    protocol.lastRow = row;
}

void addTableColumn()
{
    int column = protocolColumnCount();
    if (column >= storeColumns)
        return;
    addViewColumn(column, std::to_string(column), protocol.colWidth, true);
    if (protocol.colCount < column)
        protocol.colCount = column;
    setCellText(WinProtocol, IdPtkList, 0, column, std::to_string(column));
    if (shadedUpTo.size() <= static_cast<size_t>(column))
        shadedUpTo.resize(static_cast<size_t>(column) + 1, 0);
    shadedUpTo[column] = rowCount(WinProtocol, IdPtkList) - 1;
}

void writeTableCell(const std::string& value)
{
    if (protocol.protocolMode != ModeTable)
        return;
    bool inside = checkTableBounds(protocol);
    updateLimitIndicator();
    // The guard is the last row that exists: right after a rebuild lastRow already reads 1
    // while only row 0 exists, which would keep a one-row table from ever getting its row.
    while (protocol.cellRow > rowCount(WinProtocol, IdPtkList) - 1 &&
           rowCount(WinProtocol, IdPtkList) - 1 < protocol.maxRows)
        addTableRow();
    // The table's own columns count: a declined shrink leaves more than the chosen number.
    while (protocolColumnCount() - 1 < protocol.cellCol && protocolColumnCount() - 1 < protocol.maxCols &&
           protocolColumnCount() < storeColumns)
        addTableColumn();
    if (!inside) {
        ++protocol.lostValues;
        return;
    }
    setCellText(WinProtocol, IdPtkList, protocol.cellRow, protocol.cellCol, value);
    showRow(protocol.cellRow);
    if (tableListeners.cellWritten)
        tableListeners.cellWritten(protocol.cellRow, protocol.cellCol, value);
}

void appendListLine(const std::string& text, int kind, const std::string& extra, const std::string& pause)
{
    showWindow(WinProtocol);
    showWindow(WinProgram);
    if (!text.empty()) {
        int row = insertRow(WinProtocol, IdPtkList, -1, protocolListCells(text, pause, extra), kind);
        clearSelection(WinProtocol, IdPtkList);
        selectRow(WinProtocol, IdPtkList, row, false);
        showRow(row);
    } else if (!extra.empty()) {
        int last = rowCount(WinProtocol, IdPtkList) - 1;
        if (last >= 0)
            setCellText(WinProtocol, IdPtkList, last, 3, cellText(WinProtocol, IdPtkList, last, 0) + extra);
    }
}

void outputTable(const std::string& text, int kind, const std::string& extra)
{
    showWindow(WinProtocol);
    showWindow(WinProgram);
    if (kind == TypeWrite) {
        writeTableCell(text);
    } else if (kind == KindResponse) {
        int content = chosenIndex(WinSettings, IdSetTableContent);
        writeTableCell(tableResponseCell(text, extra, content < 0 ? ValuesLeft : content));
        if (toggleState(WinSettings, IdSetSubStrings))
            ++protocol.cellRow;
    }
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
    GtkTreeView* view = protocolView();
    if (!view)
        return 0;
    GList* columns = gtk_tree_view_get_columns(view);
    int count = static_cast<int>(g_list_length(columns));
    g_list_free(columns);
    return count;
}

void buildProtocolLayout(int mode)
{
    GtkTreeView* view = protocolView();
    if (!view)
        return;
    removeAllRows(WinProtocol, IdPtkList);
    while (protocolColumnCount() > 1)
        gtk_tree_view_remove_column(view, gtk_tree_view_get_column(view, protocolColumnCount() - 1));
    shadedUpTo.clear();
    if (mode == ModeTable) {
        protocol.builtMode = ModeTable;
        setColumnZero("", 30);
        int columns = std::min(protocol.colCount, std::min(protocol.maxCols, storeColumns - 1));
        for (int column = 1; column <= columns; ++column)
            addViewColumn(column, std::to_string(column), protocol.colWidth, true);
        std::vector<std::string> numbers{""};
        for (int column = 1; column <= std::min(protocol.colCount, storeColumns - 1); ++column)
            numbers.push_back(std::to_string(column));
        insertRow(WinProtocol, IdPtkList, -1, numbers);
        protocol.cellRow = 1;
        protocol.lastRow = 1;
        protocol.cellCol = 1;
    } else if (mode == ModeList) {
        protocol.builtMode = ModeList;
        setColumnZero("Typ", 80);
        addViewColumn(1, "Senden / Empfangen", 220, false);
        addViewColumn(2, "Pause", 50, true);
        addViewColumn(3, "Fehlercode / Steuerkommando:", 216, false);
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
    while (protocolColumnCount() - 1 < dataColumns && protocolColumnCount() < storeColumns)
        addTableColumn();
}

void shrinkProtocolColumns(int dataColumns)
{
    GtkTreeView* view = protocolView();
    int rows = rowCount(WinProtocol, IdPtkList);
    while (view && protocolColumnCount() - 1 > dataColumns) {
        int column = protocolColumnCount() - 1;
        gtk_tree_view_remove_column(view, gtk_tree_view_get_column(view, column));
        // A column added again later starts empty.
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
        removeAllRows(WinProtocol, IdPtkList);
    }
}

void deleteProtocolRow()
{
    int row = selectedRow(WinProtocol, IdPtkList);
    if (row <= 0)
        return;
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
    ProtocolRows rows;
    GtkTreeView* view = protocolView();
    if (!view)
        return rows;
    int lastColumn = protocol.builtMode == ModeTable ? protocol.colCount : 3;
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    for (gboolean valid = gtk_tree_model_get_iter_first(model, &iter); valid;
         valid = gtk_tree_model_iter_next(model, &iter)) {
        std::vector<std::string>& row = rows.emplace_back();
        row.reserve(lastColumn + 1);
        for (int column = 0; column <= lastColumn && column < storeColumns; ++column) {
            gchar* text = nullptr;
            gtk_tree_model_get(model, &iter, listStoreTextColumn(column), &text, -1);
            row.emplace_back(text ? text : "");
            g_free(text);
        }
    }
    return rows;
}

void setTableListeners(std::function<void()> changed, std::function<void(int, int, const std::string&)> cellWritten)
{
    tableListeners = {std::move(changed), std::move(cellWritten)};
}
