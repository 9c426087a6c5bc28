// The protocol's rows, free of any window: the lines of the list form, or the cells of the
// measurement table with its rules (where a value goes, how the table grows, what lies outside
// its limits). The protocol control shows it; every change goes through here first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "protocol/protocol_export.h"
#include "protocol/protocol_state.h"

// The most columns the table can have, the row numbers' column 0 included.
constexpr int tableColumnLimit = 256;

class ProtocolModel {
public:
    // Empties it as a list.
    void buildList();
    // Empties it as a table with columns shown data columns and the header row 0 numbering
    // headerColumns of them.
    void buildTable(int columns, int headerColumns);
    void clear();

    int rowCount() const { return static_cast<int>(cells.size()); }
    // The columns shown, column 0 included.
    int columnCount() const { return columns; }
    std::string cell(int row, int column) const;
    // The cells of one row, as many as it holds; row must exist.
    const ProtocolRow& rowCells(int row) const { return *cells[static_cast<size_t>(row)]; }
    // The rows with their columns 0 to lastColumn.
    std::vector<ProtocolRow> rows(int lastColumn) const;
    // The rows as they are now, for a save: later changes do not reach it.
    ProtocolRows snapshot() const;

    // A line of the list form: a text's "\n" parts, its pause and extra text fill a new row's
    // four columns; without text, an extra text is added to the last row's column 3 after that
    // row's column 0. The row that changed, -1 none.
    struct ListWrite {
        int row = -1;
        bool added = false;
    };
    ListWrite addListLine(const std::string& text, const std::string& pause, const std::string& extra);
    void setCell(int row, int column, const std::string& text);
    void removeRow(int row);
    void insertRow(int row, const ProtocolRow& rowCells);
    // Takes count rows from first on out and gives them.
    ProtocolRows removeRows(int first, int count);

    // A table row at the end, numbered in its column 0: its row.
    int addTableRow(ProtocolState& state);
    // A table column at the end, numbered in the header row: its column, -1 at the limit.
    int addTableColumn(ProtocolState& state);
    // Shows fewer columns; the cells of those no longer shown are emptied.
    void dropColumnsAfter(int dataColumns);

    // What a write at the table's cell cursor did.
    struct TableWrite {
        bool inside = false;            // within the limits: the value is in its cell
        int row = 0, column = 0;        // the cell
        int firstAddedRow = -1;         // rows from here on were added, -1 none
        std::vector<int> addedColumns;  // columns added, in order
    };
    // Writes the value at the cursor, adding rows and columns up to the limits; a value outside
    // them is counted as lost.
    TableWrite writeTableCell(ProtocolState& state, const std::string& value);
    // A response's cell: its value under the content choice, and with sub-strings the cursor
    // goes down a row.
    TableWrite writeResponse(ProtocolState& state, const std::string& response, const std::string& extra,
                             int content, bool subStringsDown);

private:
    int appendRow(const ProtocolRow& rowCells);
    // The row to change: a copy of its own first while a snapshot shares it.
    ProtocolRow& writable(int row);

    std::vector<std::shared_ptr<ProtocolRow>> cells;
    int columns = 1;
};

// The protocol of this Quirlo.
extern ProtocolModel protocolModel;
