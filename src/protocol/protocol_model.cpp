// The protocol's rows and the measurement table's rules.
#include "protocol/protocol_model.h"

#include <algorithm>

ProtocolModel protocolModel;

void ProtocolModel::buildList()
{
    cells.clear();
    columns = 4;
}

void ProtocolModel::buildTable(int shown, int headerColumns)
{
    cells.clear();
    columns = 1 + std::clamp(shown, 0, tableColumnLimit - 1);
    std::vector<std::string> numbers{""};
    for (int column = 1; column <= std::min(headerColumns, tableColumnLimit - 1); ++column)
        numbers.push_back(std::to_string(column));
    cells.push_back(std::make_shared<ProtocolRow>(std::move(numbers)));
}

void ProtocolModel::clear()
{
    cells.clear();
}

std::string ProtocolModel::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= static_cast<int>(cells[row]->size()))
        return "";
    return (*cells[row])[column];
}

std::vector<ProtocolRow> ProtocolModel::rows(int lastColumn) const
{
    std::vector<ProtocolRow> result;
    result.reserve(cells.size());
    int last = std::min(lastColumn, tableColumnLimit - 1);
    for (const std::shared_ptr<ProtocolRow>& row : cells) {
        ProtocolRow& copy = result.emplace_back(row->begin(), row->begin() + std::min<int>(row->size(), last + 1));
        copy.resize(static_cast<size_t>(std::max(last + 1, 0)));
    }
    return result;
}

ProtocolRows ProtocolModel::snapshot() const
{
    ProtocolRows result;
    for (const std::shared_ptr<ProtocolRow>& row : cells)
        result.share(row);
    return result;
}

int ProtocolModel::appendRow(const ProtocolRow& rowCells)
{
    std::shared_ptr<ProtocolRow>& row = cells.emplace_back(std::make_shared<ProtocolRow>(rowCells));
    if (row->size() > static_cast<size_t>(tableColumnLimit))
        row->resize(tableColumnLimit);
    return rowCount() - 1;
}

ProtocolRow& ProtocolModel::writable(int row)
{
    std::shared_ptr<ProtocolRow>& cellsOfRow = cells[static_cast<size_t>(row)];
    if (cellsOfRow.use_count() > 1)
        cellsOfRow = std::make_shared<ProtocolRow>(*cellsOfRow);
    return *cellsOfRow;
}

ProtocolModel::ListWrite ProtocolModel::addListLine(const std::string& text, const std::string& pause,
                                                    const std::string& extra)
{
    if (!text.empty())
        return {appendRow(protocolListCells(text, pause, extra)), true};
    int last = rowCount() - 1;
    if (extra.empty() || last < 0)
        return {};
    setCell(last, 3, cell(last, 0) + extra);
    return {last, false};
}

void ProtocolModel::setCell(int row, int column, const std::string& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= tableColumnLimit)
        return;
    ProtocolRow& changed = writable(row);
    if (changed.size() <= static_cast<size_t>(column))
        changed.resize(static_cast<size_t>(column) + 1);
    changed[column] = text;
}

void ProtocolModel::removeRow(int row)
{
    if (row >= 0 && row < rowCount())
        cells.erase(cells.begin() + row);
}

void ProtocolModel::insertRow(int row, const ProtocolRow& rowCells)
{
    cells.insert(cells.begin() + std::clamp(row, 0, rowCount()), std::make_shared<ProtocolRow>(rowCells));
}

ProtocolRows ProtocolModel::removeRows(int first, int count)
{
    auto begin = cells.begin() + std::clamp(first, 0, rowCount());
    auto end = begin + std::clamp(count, 0, static_cast<int>(cells.end() - begin));
    ProtocolRows removed;
    for (auto row = begin; row != end; ++row)
        removed.share(std::move(*row));
    cells.erase(begin, end);
    return removed;
}

int ProtocolModel::addTableRow(ProtocolState& state)
{
    int row = appendRow({std::to_string(rowCount())});
    state.lastRow = row;
    return row;
}

int ProtocolModel::addTableColumn(ProtocolState& state)
{
    int column = columns;
    if (column >= tableColumnLimit)
        return -1;
    ++columns;
    state.colCount = std::max(state.colCount, column);
    setCell(0, column, std::to_string(column));
    return column;
}

void ProtocolModel::dropColumnsAfter(int dataColumns)
{
    while (columns - 1 > std::max(dataColumns, 0)) {
        --columns;
        // A column added again later starts empty.
        for (int row = 0; row < rowCount(); ++row) {
            if (cells[row]->size() > static_cast<size_t>(columns) && !(*cells[row])[columns].empty())
                writable(row)[columns].clear();
        }
    }
}

ProtocolModel::TableWrite ProtocolModel::writeTableCell(ProtocolState& state, const std::string& value)
{
    TableWrite write;
    write.inside = checkTableBounds(state);
    write.row = state.cellRow;
    write.column = state.cellCol;
    // The guard is the last row that exists: right after a rebuild lastRow already reads 1
    // while only row 0 exists, which would keep a one-row table from ever getting its row.
    while (state.cellRow > rowCount() - 1 && rowCount() - 1 < state.maxRows) {
        int row = addTableRow(state);
        if (write.firstAddedRow < 0)
            write.firstAddedRow = row;
    }
    // The table's own columns count: a declined shrink leaves more than the chosen number.
    while (columns - 1 < state.cellCol && columns - 1 < state.maxCols && columns < tableColumnLimit)
        write.addedColumns.push_back(addTableColumn(state));
    if (!write.inside) {
        ++state.lostValues;
        return write;
    }
    setCell(state.cellRow, state.cellCol, value);
    return write;
}

ProtocolModel::TableWrite ProtocolModel::writeResponse(ProtocolState& state, const std::string& response,
                                                       const std::string& extra, int content, bool subStringsDown)
{
    TableWrite write = writeTableCell(state, tableResponseCell(response, extra, content < 0 ? ValuesLeft : content));
    if (subStringsDown)
        ++state.cellRow;
    return write;
}
