// The sort key and orders of the command list, and the line types.
#include <gtest/gtest.h>

#include "common/line_types.h"
#include "lists/command_sort.h"

TEST(CommandSort, KeyIsTwelveCharactersSelectionCellsAndRowData)
{
    SortRow row{{"0", "*RST", "100", "Reset"}, false, 3};
    // The command padded to twelve, the selection, then the cells and the row data.
    EXPECT_EQ(commandSortKey(row, 1), "*RST          00\n*RST\n100\nReset\n3");
    row.selected = true;
    EXPECT_EQ(commandSortKey(row, 3).substr(0, 15), "Reset         1");
    // Characters, not bytes: the umlaut pads like any letter, and long texts are cut.
    SortRow umlaut{{"0", "Größe", "", ""}, false, 0};
    EXPECT_EQ(commandSortKey(umlaut, 1).substr(0, 14), "Größe       ");
    SortRow longRow{{"0", "MEASURE:VOLTAGE:DC?", "", ""}, false, 0};
    EXPECT_EQ(commandSortKey(longRow, 1).substr(0, 15), "MEASURE:VOLT  0");
}

TEST(CommandSort, OrdersByBytesAndReverses)
{
    std::vector<SortRow> rows = {
        {{"0", "beta", "", ""}, false, 1},
        {{"0", "Alpha", "", ""}, false, 2},
        {{"0", "\xC3\x84rger", "", ""}, false, 3}, // "Ärger" sorts after every ASCII letter
        {{"0", "alpha", "", ""}, false, 4},
    };
    EXPECT_EQ(commandSortOrder(rows, 1, false), (std::vector<int>{1, 3, 0, 2}));
    EXPECT_EQ(commandSortOrder(rows, 1, true), (std::vector<int>{2, 0, 3, 1}));
    EXPECT_TRUE(commandSortOrder({}, 1, true).empty());
}

TEST(CommandSort, RestoreMovesEachRowBackToItsRememberedPlace)
{
    EXPECT_EQ(unsortedOrder({3, 1, 2}), (std::vector<int>{1, 2, 0}));
    // Rows without a remembered place (added while sorted) stay behind the others.
    EXPECT_EQ(unsortedOrder({2, 0, 1, 3}), (std::vector<int>{2, 0, 3, 1}));
    EXPECT_EQ(unsortedOrder({0, 0}), (std::vector<int>{0, 1}));
    EXPECT_TRUE(unsortedOrder({}).empty());
}

TEST(LineTypes, ChoiceBlanksAndColours)
{
    ASSERT_NE(lineType(TypeCommand), nullptr);
    EXPECT_STREQ(lineType(TypeCommand)->choice, "Command");
    EXPECT_EQ(lineType(TypeCommand)->blank, nullptr);
    EXPECT_STREQ(lineType(TypePauseOn)->choice, "PauseOn");
    EXPECT_STREQ(lineType(TypeLoop)->blank, "Loop <i>,<i>,<i>");
    EXPECT_EQ(lineType(16), nullptr);
    EXPECT_EQ(lineType(-1), nullptr);
    EXPECT_FALSE(lineTypeClearsPause(TypeClosePort));
    EXPECT_TRUE(lineTypeClearsPause(TypeChangePort));
    EXPECT_FALSE(lineTypeClearsPause(16));
    // Port rows red, loop rows blue, the runner's own rows grey, the rest black.
    const char* colours[] = {"#000000", "#000000", "#ff0000", "#ff0000", "#ff0000", "#0000ff",
                             "#0000ff", "#7f7f7f", "#7f7f7f", "#7f7f7f", "#7f7f7f", "#7f7f7f",
                             "#000000", "#000000", "#7f7f7f", "#7f7f7f"};
    for (int type = 0; type <= 15; ++type)
        EXPECT_EQ(lineTypeColour(type), colours[type]) << type;
    EXPECT_EQ(lineTypeColour(255), "#000000");
    EXPECT_EQ(lineTypeColour(-1), "#000000");
}
