// The order of the command list's sort and of the restore of the unsorted order.
#include "lists/command_sort.h"

#include <algorithm>
#include <cstdio>

#include <glib.h>

std::string commandSortKey(const SortRow& row, int column)
{
    std::string text = column >= 0 && column < static_cast<int>(row.cells.size()) ? row.cells[column] : "";
    // Twelve characters, not bytes: an umlaut counts once.
    size_t end = 0;
    int characters = 0;
    for (; end < text.size() && characters < 12; ++characters) {
        const char* next = g_utf8_find_next_char(text.data() + end, text.data() + text.size());
        end = next ? static_cast<size_t>(next - text.data()) : text.size();
    }
    std::string key = text.substr(0, end);
    key.append(static_cast<size_t>(12 - characters), ' ');
    char selection[8];
    std::snprintf(selection, sizeof selection, "%3d", row.selected ? 1 : 0);
    key += selection;
    for (const std::string& cell : row.cells)
        key += cell + "\n";
    key += std::to_string(row.data);
    return key;
}

std::vector<int> commandSortOrder(const std::vector<SortRow>& rows, int column, bool descending)
{
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const SortRow& row : rows)
        keys.push_back(commandSortKey(row, column));
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    // std::string compares its bytes as unsigned values: plain byte order.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    return order;
}

std::vector<int> unsortedOrder(const std::vector<long long>& rowData)
{
    std::vector<int> order(rowData.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    for (size_t j = 0; j < order.size(); ++j) {
        auto found = std::find_if(order.begin() + static_cast<long>(j), order.end(),
                                  [&](int row) { return rowData[row] == static_cast<long long>(j) + 1; });
        if (found != order.end())
            std::rotate(order.begin() + static_cast<long>(j), found, found + 1);
    }
    return order;
}
