// Access to the rows of the list controls (command list, program, protocol). The list
// controls are the store of their entries: handlers read and write them only through these.
// A list is a tree view over a list store of text columns followed by one integer column of
// row data and the row's text colour. Missing controls and rows out of range read as empty
// and are never written.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

struct ListColumn {
    std::string title;
    int width;
    bool rightAligned;
};

// Creates the list control in a scrolled window (which it returns) and registers the list
// under (window, id).
GtkWidget* createListControl(int window, int id, const std::vector<ListColumn>& columns,
                             bool multipleSelection);
// Where a list's store keeps the row data and the text of a column, for windows that build
// their shown columns themselves.
constexpr int listStoreDataColumn = 0;
constexpr int listStoreTextColumn(int column)
{
    return column + 2;
}

// The same with a store of textColumns text columns but no columns shown yet.
GtkWidget* createBareListControl(int window, int id, int textColumns, bool multipleSelection);

int rowCount(int window, int id);
int columnCount(int window, int id);
std::string cellText(int window, int id, int row, int column);
void setCellText(int window, int id, int row, int column, const std::string& text);
long long rowData(int window, int id, int row);
void setRowData(int window, int id, int row, long long data);
// Text colour of the row as "#rrggbb", "" for the default colour.
std::string rowColour(int window, int id, int row);
void setRowColour(int window, int id, int row, const std::string& colour);
// Inserts a row of cells before row (at the end when row is -1 or past the end); returns its index.
int insertRow(int window, int id, int row, const std::vector<std::string>& cells, long long data = 0);
void removeRow(int window, int id, int row);
void removeRows(int window, int id, int first, int count);
void removeAllRows(int window, int id);

// While one lives, the list's view does not follow the changes of the rows one by one, which
// costs far more than the changes themselves: the view is detached from its rows and attached
// again when the change ends, with its selection and scroll position.
class BulkListChange {
public:
    BulkListChange(int window, int id);
    ~BulkListChange();
    BulkListChange(const BulkListChange&) = delete;
    BulkListChange& operator=(const BulkListChange&) = delete;

private:
    GtkTreeView* view = nullptr;
    GtkTreeModel* model = nullptr;
    std::vector<GtkTreeRowReference*> selected;
    double scrolled = 0;
};

// Puts the rows into a new order: order[new position] = old position. Selection and row data
// move with their rows.
void reorderRows(int window, int id, const std::vector<int>& order);
GtkTreeViewColumn* listColumn(int window, int id, int column);
// The width that shows the column's title and its longest cells whole, measured from the texts
// themselves, so it does not depend on the list having been laid out or shown.
int columnContentWidth(int window, int id, int column);
// Sizes every column of the list control (window, id) to its content, and lets the user resize
// each; the protocol list only while its "fit columns" button is down, which it releases.
void autoSizeColumns(int window, int list);
GtkCellRenderer* listRenderer(int window, int id, int column);

// Selected rows in ascending order.
std::vector<int> selectedRows(int window, int id);
// The first selected row, -1 when none is selected.
int selectedRow(int window, int id);
void selectRow(int window, int id, int row, bool scrollTo);
void clearSelection(int window, int id);
bool rowSelected(int window, int id, int row);
