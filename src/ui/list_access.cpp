// Access to the rows of the list controls.
#include "ui/list_access.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/ids.h"

namespace {

GtkTreeView* treeView(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    return widget && GTK_IS_TREE_VIEW(widget) ? GTK_TREE_VIEW(widget) : nullptr;
}

// The stores of views that a bulk change has detached from them.
std::map<GtkTreeView*, GtkTreeModel*> detachedStores;

GtkListStore* store(int window, int id)
{
    GtkTreeView* view = treeView(window, id);
    if (!view)
        return nullptr;
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    if (!model) {
        auto detached = detachedStores.find(view);
        model = detached == detachedStores.end() ? nullptr : detached->second;
    }
    return model ? GTK_LIST_STORE(model) : nullptr;
}

bool rowIter(GtkListStore* list, int row, GtkTreeIter& iter)
{
    return list && row >= 0 &&
           gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(list), &iter, nullptr, row);
}

// The row data and the colour come first in the store: a row holds only the columns up to
// the last one set, so the texts of a wide list cost memory only where they exist.
constexpr int dataColumn = listStoreDataColumn;
constexpr int colourColumn = 1;
constexpr int firstTextColumn = listStoreTextColumn(0);

int textColumns(GtkListStore* list)
{
    return gtk_tree_model_get_n_columns(GTK_TREE_MODEL(list)) - firstTextColumn;
}

// A line one pixel wide, filled from this pattern, is dotted as GTK dots its grid: black from
// its start on every other pixel, along x (horizontal) or along y.
cairo_pattern_t* dotPattern(bool horizontal)
{
    auto make = [](int width, int height) {
        cairo_surface_t* dots = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* cr = cairo_create(dots);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_rectangle(cr, 0, 0, 1, 1);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_pattern_t* made = cairo_pattern_create_for_surface(dots);
        cairo_surface_destroy(dots);
        cairo_pattern_set_extend(made, CAIRO_EXTEND_REPEAT);
        cairo_pattern_set_filter(made, CAIRO_FILTER_NEAREST);
        return made;
    };
    static cairo_pattern_t* const alongX = make(2, 1);
    static cairo_pattern_t* const alongY = make(1, 2);
    return horizontal ? alongX : alongY;
}

// The dotted grid of a list, drawn after its rows. GTK's own grid strokes a dashed line for
// every cell, which made a redraw of a full list cost milliseconds and held up a run; filled
// from a repeating pattern, the same lines cost a fraction of that. The lines lie where GTK
// draws them: at the top of each row and below the last one, and at the right edge of each
// column but the last.
gboolean drawGridLines(GtkWidget* widget, GdkEventExpose* event, gpointer)
{
    GtkTreeView* view = GTK_TREE_VIEW(widget);
    GtkTreePath* first = nullptr;
    GtkTreePath* last = nullptr;
    if (event->window != gtk_tree_view_get_bin_window(view) || !gtk_tree_view_get_visible_range(view, &first, &last))
        return FALSE;
    GdkRectangle top, bottom;
    gtk_tree_view_get_background_area(view, first, nullptr, &top);
    gtk_tree_view_get_background_area(view, last, nullptr, &bottom);
    cairo_t* cr = gdk_cairo_create(event->window);
    gdk_cairo_region(cr, event->region);
    cairo_clip(cr);
    // The visible columns' left and right edges, and the rows' tops.
    std::vector<std::pair<int, int>> cells;
    GList* columns = gtk_tree_view_get_columns(view);
    for (GList* column = columns; column; column = column->next) {
        GdkRectangle area;
        gtk_tree_view_get_background_area(view, first, GTK_TREE_VIEW_COLUMN(column->data), &area);
        if (gtk_tree_view_column_get_visible(GTK_TREE_VIEW_COLUMN(column->data)))
            cells.emplace_back(area.x, area.x + area.width);
    }
    g_list_free(columns);
    std::vector<int> rowTops;
    for (int y = top.y; top.height > 0 && y <= bottom.y + bottom.height; y += top.height)
        rowTops.push_back(y);
    // GTK dots each cell's lines from the cell's corner: a fill for each phase.
    auto fillFrom = [cr](bool horizontal, int origin) {
        cairo_matrix_t start;
        cairo_matrix_init_translate(&start, horizontal ? -origin : 0, horizontal ? 0 : -origin);
        cairo_pattern_set_matrix(dotPattern(horizontal), &start);
        cairo_set_source(cr, dotPattern(horizontal));
        cairo_fill(cr);
    };
    for (size_t row = 0; row + 1 < rowTops.size(); ++row) {
        for (size_t cell = 0; cell + 1 < cells.size(); ++cell)
            cairo_rectangle(cr, cells[cell].second - 1, rowTops[row], 1, top.height);
        fillFrom(false, rowTops[row]);
    }
    for (const auto& [left, right] : cells) {
        for (int y : rowTops)
            if (y > 0)
                cairo_rectangle(cr, left, y, right - left, 1);
        fillFrom(true, left);
    }
    cairo_destroy(cr);
    gtk_tree_path_free(first);
    gtk_tree_path_free(last);
    return FALSE;
}

// A row keeps the height it had with GTK's grid: one pixel above the text's own for the line.
void keepGridRowHeight(GtkWidget* widget, GtkStyle*, gpointer)
{
    GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(widget));
    for (GList* column = columns; column; column = column->next) {
        GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column->data));
        for (GList* cell = cells; cell; cell = cell->next) {
            GtkCellRenderer* renderer = GTK_CELL_RENDERER(cell->data);
            gint height = 0;
            g_object_set(renderer, "height", -1, nullptr);
            gtk_cell_renderer_get_size(renderer, widget, nullptr, nullptr, nullptr, nullptr, &height);
            g_object_set(renderer, "height", height + 1, nullptr);
        }
        g_list_free(cells);
    }
    g_list_free(columns);
}

} // namespace

GtkWidget* createBareListControl(int window, int id, int textColumns, bool multipleSelection)
{
    std::vector<GType> types = {G_TYPE_INT64, G_TYPE_STRING};
    types.insert(types.end(), static_cast<size_t>(textColumns), G_TYPE_STRING);
    GtkListStore* list = gtk_list_store_newv(static_cast<gint>(types.size()), types.data());
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(list));
    g_object_unref(list);
    gtk_tree_view_set_enable_search(GTK_TREE_VIEW(view), FALSE);
    // A selected row of a list without the focus, or of a list disabled while its row is
    // edited, is drawn on light grey: its text must be dark to be read.
    GdkColor black = {0, 0, 0, 0};
    gtk_widget_modify_text(view, GTK_STATE_ACTIVE, &black);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)),
                                multipleSelection ? GTK_SELECTION_MULTIPLE : GTK_SELECTION_SINGLE);
    registerControl(window, id, view);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scrolled), view);
    return scrolled;
}

GtkWidget* createListControl(int window, int id, const std::vector<ListColumn>& columns,
                             bool multipleSelection)
{
    GtkWidget* scrolled = createBareListControl(window, id, static_cast<int>(columns.size()),
                                                multipleSelection);
    GtkWidget* view = controlWidget(window, id);
    g_signal_connect_after(view, "expose-event", G_CALLBACK(drawGridLines), nullptr);
    g_signal_connect(view, "style-set", G_CALLBACK(keepGridRowHeight), nullptr);
    for (size_t column = 0; column < columns.size(); ++column) {
        GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
        // Right-aligned text of a middle column keeps its place left of the column's grid
        // line, where GTK's grid put it.
        if (columns[column].rightAligned) {
            bool middle = column > 0 && column + 1 < columns.size();
            guint xpad = 0;
            g_object_get(renderer, "xpad", &xpad, nullptr);
            g_object_set(renderer, "xalign", 1.0f, "xpad", xpad + (middle ? 1 : 0), nullptr);
        }
        GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new_with_attributes(
            columns[column].title.c_str(), renderer, "text", static_cast<gint>(column) + firstTextColumn,
            "foreground", colourColumn, nullptr);
        if (columns[column].rightAligned)
            gtk_tree_view_column_set_alignment(viewColumn, 1.0f);
        gtk_tree_view_column_set_resizable(viewColumn, TRUE);
        gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
        gtk_tree_view_column_set_fixed_width(viewColumn, columns[column].width);
        gtk_tree_view_append_column(GTK_TREE_VIEW(view), viewColumn);
    }
    // Every row is one line high: the view need not measure each row it shows.
    gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view), TRUE);
    return scrolled;
}

int rowCount(int window, int id)
{
    GtkListStore* list = store(window, id);
    return list ? gtk_tree_model_iter_n_children(GTK_TREE_MODEL(list), nullptr) : 0;
}

int columnCount(int window, int id)
{
    GtkListStore* list = store(window, id);
    return list ? textColumns(list) : 0;
}

std::string cellText(int window, int id, int row, int column)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (!rowIter(list, row, iter) || column < 0 || column >= textColumns(list))
        return "";
    gchar* text = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(list), &iter, column + firstTextColumn, &text, -1);
    std::string result(text ? text : "");
    g_free(text);
    return result;
}

void setCellText(int window, int id, int row, int column, const std::string& text)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (rowIter(list, row, iter) && column >= 0 && column < textColumns(list))
        gtk_list_store_set(list, &iter, column + firstTextColumn, text.c_str(), -1);
}

long long rowData(int window, int id, int row)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    gint64 data = 0;
    if (rowIter(list, row, iter))
        gtk_tree_model_get(GTK_TREE_MODEL(list), &iter, dataColumn, &data, -1);
    return data;
}

void setRowData(int window, int id, int row, long long data)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (rowIter(list, row, iter))
        gtk_list_store_set(list, &iter, dataColumn, static_cast<gint64>(data), -1);
}

std::string rowColour(int window, int id, int row)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (!rowIter(list, row, iter))
        return "";
    gchar* colour = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(list), &iter, colourColumn, &colour, -1);
    std::string result(colour ? colour : "");
    g_free(colour);
    return result;
}

void setRowColour(int window, int id, int row, const std::string& colour)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (rowIter(list, row, iter))
        gtk_list_store_set(list, &iter, colourColumn, colour.empty() ? nullptr : colour.c_str(), -1);
}

int insertRow(int window, int id, int row, const std::vector<std::string>& cells, long long data)
{
    GtkListStore* list = store(window, id);
    if (!list)
        return -1;
    int count = rowCount(window, id);
    if (row < 0 || row > count)
        row = count;
    int texts = std::min(textColumns(list), static_cast<int>(cells.size()));
    std::vector<gint> columns{dataColumn};
    std::vector<GValue> values(static_cast<size_t>(texts) + 1, G_VALUE_INIT);
    g_value_init(&values[0], G_TYPE_INT64);
    g_value_set_int64(&values[0], data);
    for (int column = 0; column < texts; ++column) {
        columns.push_back(column + firstTextColumn);
        g_value_init(&values[column + 1], G_TYPE_STRING);
        g_value_set_static_string(&values[column + 1], cells[column].c_str());
    }
    GtkTreeIter iter;
    gtk_list_store_insert_with_valuesv(list, &iter, row, columns.data(), values.data(),
                                       static_cast<gint>(columns.size()));
    for (GValue& value : values)
        g_value_unset(&value);
    return row;
}

void removeRow(int window, int id, int row)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    if (rowIter(list, row, iter))
        gtk_list_store_remove(list, &iter);
}

void removeRows(int window, int id, int first, int count)
{
    GtkListStore* list = store(window, id);
    GtkTreeIter iter;
    // A removal moves the iterator to the next row.
    bool more = list && rowIter(list, first, iter);
    for (int row = 0; more && row < count; ++row)
        more = gtk_list_store_remove(list, &iter);
}

void removeAllRows(int window, int id)
{
    if (GtkListStore* list = store(window, id)) {
        BulkListChange bulk(window, id);
        gtk_list_store_clear(list);
    }
}

std::vector<int> selectedRows(int window, int id)
{
    std::vector<int> rows;
    GtkTreeView* view = treeView(window, id);
    if (!view)
        return rows;
    GList* paths = gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(view), nullptr);
    for (GList* path = paths; path; path = path->next)
        rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(path->data))[0]);
    g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return rows;
}

int selectedRow(int window, int id)
{
    std::vector<int> rows = selectedRows(window, id);
    return rows.empty() ? -1 : rows.front();
}

void selectRow(int window, int id, int row, bool scrollTo)
{
    GtkTreeView* view = treeView(window, id);
    if (!view || row < 0 || row >= rowCount(window, id))
        return;
    SilentChange silent;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_selection_select_path(gtk_tree_view_get_selection(view), path);
    if (scrollTo)
        gtk_tree_view_scroll_to_cell(view, path, nullptr, TRUE, 0.5f, 0.0f);
    gtk_tree_path_free(path);
}

void clearSelection(int window, int id)
{
    if (GtkTreeView* view = treeView(window, id)) {
        SilentChange silent;
        gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(view));
    }
}

void reorderRows(int window, int id, const std::vector<int>& order)
{
    GtkListStore* list = store(window, id);
    if (!list || static_cast<int>(order.size()) != rowCount(window, id) || order.empty())
        return;
    gtk_list_store_reorder(list, const_cast<gint*>(order.data()));
}

GtkTreeViewColumn* listColumn(int window, int id, int column)
{
    GtkTreeView* view = treeView(window, id);
    return view ? gtk_tree_view_get_column(view, column) : nullptr;
}

GtkCellRenderer* listRenderer(int window, int id, int column)
{
    GtkTreeViewColumn* viewColumn = listColumn(window, id, column);
    if (!viewColumn)
        return nullptr;
    GList* renderers = gtk_tree_view_column_get_cell_renderers(viewColumn);
    GtkCellRenderer* renderer = renderers ? GTK_CELL_RENDERER(renderers->data) : nullptr;
    g_list_free(renderers);
    return renderer;
}

bool rowSelected(int window, int id, int row)
{
    GtkTreeView* view = treeView(window, id);
    if (!view || row < 0 || row >= rowCount(window, id))
        return false;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    bool selected = gtk_tree_selection_path_is_selected(gtk_tree_view_get_selection(view), path);
    gtk_tree_path_free(path);
    return selected;
}

int columnContentWidth(int window, int id, int column)
{
    GtkTreeView* view = treeView(window, id);
    GtkTreeViewColumn* viewColumn = listColumn(window, id, column);
    if (!view || !viewColumn)
        return 0;
    gint separator = 0;
    gtk_widget_style_get(GTK_WIDGET(view), "horizontal-separator", &separator, nullptr);
    int width = 0;
    if (const gchar* title = gtk_tree_view_column_get_title(viewColumn)) {
        PangoLayout* layout = gtk_widget_create_pango_layout(GTK_WIDGET(view), title);
        pango_layout_get_pixel_size(layout, &width, nullptr);
        g_object_unref(layout);
        width += 16; // the header button's frame and padding
    }
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    // Only the longest texts can be the widest: measuring every row of a long list would take
    // seconds, so the rows are ranked by the length of their text first.
    constexpr size_t measured = 32;
    std::vector<std::pair<size_t, GtkTreeIter>> longest;
    GtkTreeIter iter;
    for (bool valid = gtk_tree_model_get_iter_first(model, &iter); valid;
         valid = gtk_tree_model_iter_next(model, &iter)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, listStoreTextColumn(column), &text, -1);
        size_t length = text ? g_utf8_strlen(text, -1) : 0;
        g_free(text);
        if (longest.size() < measured || length > longest.back().first) {
            if (longest.size() == measured)
                longest.pop_back();
            auto place = std::upper_bound(longest.begin(), longest.end(), length,
                                          [](size_t value, const auto& entry) { return value > entry.first; });
            longest.insert(place, {length, iter});
        }
    }
    for (auto& [length, row] : longest) {
        gtk_tree_view_column_cell_set_cell_data(viewColumn, model, &row, FALSE, FALSE);
        gint cellWidth = 0;
        gtk_tree_view_column_cell_get_size(viewColumn, nullptr, nullptr, nullptr, &cellWidth, nullptr);
        width = std::max(width, cellWidth + separator);
    }
    return width;
}

BulkListChange::BulkListChange(int window, int id) : view(treeView(window, id))
{
    // An enclosing bulk change has detached the view already.
    if (!view || !gtk_tree_view_get_model(view)) {
        view = nullptr;
        return;
    }
    model = gtk_tree_view_get_model(view);
    g_object_ref(model);
    detachedStores[view] = model;
    GList* paths = gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(view), nullptr);
    for (GList* path = paths; path; path = path->next)
        selected.push_back(gtk_tree_row_reference_new(model, static_cast<GtkTreePath*>(path->data)));
    g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    if (GtkAdjustment* adjustment = gtk_tree_view_get_vadjustment(view))
        scrolled = gtk_adjustment_get_value(adjustment);
    gtk_tree_view_set_model(view, nullptr);
}

BulkListChange::~BulkListChange()
{
    if (!view)
        return;
    SilentChange silent;
    detachedStores.erase(view);
    gtk_tree_view_set_model(view, model);
    g_object_unref(model);
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    for (GtkTreeRowReference* reference : selected) {
        if (GtkTreePath* path = gtk_tree_row_reference_get_path(reference)) {
            gtk_tree_selection_select_path(selection, path);
            gtk_tree_path_free(path);
        }
        gtk_tree_row_reference_free(reference);
    }
    if (GtkAdjustment* adjustment = gtk_tree_view_get_vadjustment(view))
        gtk_adjustment_set_value(adjustment, scrolled);
}

void autoSizeColumns(int window, int list)
{
    GtkWidget* widget = controlWidget(window, list);
    if (!widget)
        return;
    bool fit = list != IdPtkList || toggleState(WinProtocol, IdPtkFitColumns);
    GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(widget));
    int index = 0;
    // Keep the fitted widths, and let the user resize every column.
    for (GList* column = columns; column; column = column->next, ++index) {
        GtkTreeViewColumn* viewColumn = GTK_TREE_VIEW_COLUMN(column->data);
        gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
        gtk_tree_view_column_set_resizable(viewColumn, TRUE);
        if (!fit)
            continue;
        int width = columnContentWidth(window, list, index);
        if (list == IdPrgList && index == 3 && width > 300)
            width = 300;
        gtk_tree_view_column_set_fixed_width(viewColumn, width);
    }
    g_list_free(columns);
    if (list == IdPtkList)
        setToggleState(WinProtocol, IdPtkFitColumns, false);
}
