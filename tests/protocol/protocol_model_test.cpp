// The measurement table's rules on the protocol model, without a window.
#include <gtest/gtest.h>

#include "common/line_types.h"
#include "protocol/protocol_model.h"

namespace {

class TableModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.colCount = 10;
        model.buildTable(10, 10);
    }
    // A response at (row, column) under the content choice.
    void respond(int row, int column, const std::string& text, int content = ValuesLeft, const std::string& extra = "")
    {
        state.cellRow = row;
        state.cellCol = column;
        model.writeResponse(state, text, extra, content, false);
    }
    ProtocolState state;
    ProtocolModel model;
};

} // namespace

TEST_F(TableModel, ResponsesBecomeCellsByTheContentChoice)
{
    respond(5, 3, "12,5 V");
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.cell(5, 3), "12.5");
    EXPECT_EQ(model.cell(5, 0), "5");
    EXPECT_EQ(model.cell(0, 3), "3");
    respond(5, 3, "V 12,5");
    EXPECT_EQ(model.cell(5, 3), "0");
    respond(5, 3, "U=12,5 V", ValuesExtracted);
    EXPECT_EQ(model.cell(5, 3), "12");
    respond(5, 3, "U=12.5 V", ValuesExtracted);
    EXPECT_EQ(model.cell(5, 3), "12.5");
    respond(5, 3, "U=12.5 V", FullText);
    EXPECT_EQ(model.cell(5, 3), "U=12.5 V");
    // No answer leaves the cell empty, where an empty answer reads 0; a cut answer says so.
    respond(5, 3, "", ValuesLeft, std::string(noAnswerMark));
    EXPECT_EQ(model.cell(5, 3), "");
    respond(5, 3, "");
    EXPECT_EQ(model.cell(5, 3), "0");
    respond(5, 3, "1.2", ValuesLeft, "abgeschnitten");
    EXPECT_EQ(model.cell(5, 3), "abgeschnitten: 1.2");
    // A Write row's text goes in unchanged; sub-strings go down a row each.
    state.cellRow = 2;
    state.cellCol = 1;
    model.writeTableCell(state, "Messung A");
    EXPECT_EQ(model.cell(2, 1), "Messung A");
    for (const char* part : {"1,5", "2,5"})
        model.writeResponse(state, part, "", ValuesLeft, true);
    EXPECT_EQ(model.cell(2, 1), "1.5");
    EXPECT_EQ(model.cell(3, 1), "2.5");
    EXPECT_EQ(state.cellRow, 4);
}

TEST_F(TableModel, TheTableGrowsToItsLimitsAndCountsWhatLiesOutside)
{
    ProtocolModel::TableWrite grown = model.writeTableCell(state, "x");
    EXPECT_EQ(grown.firstAddedRow, 1);
    state.cellRow = 3;
    state.cellCol = 12;
    grown = model.writeTableCell(state, "1");
    EXPECT_EQ(grown.firstAddedRow, 2);
    EXPECT_EQ(grown.addedColumns, (std::vector<int>{11, 12}));
    EXPECT_EQ(model.columnCount(), 13);
    EXPECT_EQ(state.colCount, 12);
    EXPECT_EQ(model.cell(0, 11), "11");
    EXPECT_EQ(model.cell(3, 12), "1");
    // Beyond "max. Spalten" (24): the table stops at its limit and the value is lost.
    state.cellCol = 25;
    EXPECT_FALSE(model.writeTableCell(state, "1").inside);
    EXPECT_EQ(model.columnCount(), 25);
    EXPECT_TRUE(state.colOverflow);
    EXPECT_TRUE(state.limitExceeded);
    EXPECT_EQ(state.lostValues, 1);
    state.cellCol = 0;
    EXPECT_FALSE(model.writeTableCell(state, "7").inside);
    EXPECT_EQ(model.cell(3, 0), "3");
    state.cellRow = -1;
    state.cellCol = 1;
    EXPECT_FALSE(model.writeTableCell(state, "7").inside);
    EXPECT_TRUE(state.rowOverflow);
    EXPECT_EQ(state.lostValues, 3);
    // Row 0 is writable; fewer columns shown empty the cells of those dropped.
    state.cellRow = 0;
    state.cellCol = 2;
    EXPECT_TRUE(model.writeTableCell(state, "9").inside);
    EXPECT_EQ(model.cell(0, 2), "9");
    model.dropColumnsAfter(10);
    EXPECT_EQ(model.columnCount(), 11);
    EXPECT_EQ(model.cell(3, 12), "");
    EXPECT_EQ(model.rows(12).front().size(), 13u);
}

// The list form: a line fills a new row; an extra text without a line goes to the last row,
// after its first column; nothing else changes a row.
TEST(ListModel, LinesFillRowsAndExtrasJoinTheLastOne)
{
    ProtocolModel model;
    model.buildList();
    EXPECT_EQ(model.addListLine("", "", "ESR=32").row, -1);
    ProtocolModel::ListWrite first = model.addListLine("SetDTR\n1", "1000", "");
    EXPECT_EQ(std::make_pair(first.row, first.added), std::make_pair(0, true));
    EXPECT_EQ(model.rowCells(0), (std::vector<std::string>{"SetDTR", "1", "1000", ""}));
    ProtocolModel::ListWrite extra = model.addListLine("", "", "ESR=32");
    EXPECT_EQ(std::make_pair(extra.row, extra.added), std::make_pair(0, false));
    EXPECT_EQ(model.cell(0, 3), "SetDTRESR=32");
    EXPECT_EQ(model.addListLine("", "", "").row, -1);
    EXPECT_EQ(model.rowCount(), 1);
}

// A save's snapshot keeps the rows as they were while the protocol goes on changing, and rows
// taken out of the list come out whole and in order.
TEST(ListModel, ASnapshotKeepsItsRowsWhileTheProtocolChanges)
{
    ProtocolModel model;
    model.buildList();
    for (const char* line : {"Query:\nA?", "Return:\n1", "Query:\nB?"})
        model.addListLine(line, "", "");
    ProtocolRows snapshot = model.snapshot();
    model.setCell(0, 1, "changed");
    model.addListLine("", "", "+extra");
    model.addListLine("Return:\n2", "", "");
    ASSERT_EQ(snapshot.size(), 3u);
    EXPECT_EQ(snapshot[0], (ProtocolRow{"Query:", "A?", "", ""}));
    EXPECT_EQ(snapshot[2], (ProtocolRow{"Query:", "B?", "", ""}));
    EXPECT_EQ(model.cell(0, 1), "changed");

    ProtocolRows removed = model.removeRows(1, 2);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0][1], "1");
    EXPECT_EQ(removed[1][3], "Query:+extra");
    model.insertRow(0, {"Info:", "note"});
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.cell(0, 1), "note");
    EXPECT_EQ(model.cell(2, 1), "2");
}
