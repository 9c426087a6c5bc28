// The order of the command list's sort by a column and of the restore of the unsorted order.
#pragma once

#include <string>
#include <vector>

struct SortRow {
    std::vector<std::string> cells;
    bool selected = false;
    long long data = 0;
};

// The sort key of a row: the first 12 characters of the column's text padded with blanks, the
// selection state right-aligned in 3 characters, every cell followed by "\n", the row data.
std::string commandSortKey(const SortRow& row, int column);

// The new order of the rows (old positions, first to last) sorted by their keys as byte
// strings, ascending or descending.
std::vector<int> commandSortOrder(const std::vector<SortRow>& rows, int column, bool descending);

// The order after restoring: for each position j in turn, the row at or below j whose row
// data is j + 1 moves up to j. Takes the rows' data; returns old positions, first to last.
std::vector<int> unsortedOrder(const std::vector<long long>& rowData);
