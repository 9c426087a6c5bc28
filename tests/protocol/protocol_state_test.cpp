// The text rules of the protocol's list and table forms.
#include <gtest/gtest.h>

#include "protocol/protocol_state.h"

TEST(ProtocolListCells, SplitsTextPauseAndExtraIntoFourColumns)
{
    EXPECT_EQ(protocolListCells("Query:\n*IDN?", "1000", ""),
              (std::vector<std::string>{"Query:", "*IDN?", "1000", ""}));
    // A port line puts its result into the last column; what follows finds no column.
    EXPECT_EQ(protocolListCells("OpenPort\n\n\n#2 not Ok", "", ""),
              (std::vector<std::string>{"OpenPort", "", "", "#2 not Ok"}));
    EXPECT_EQ(protocolListCells("Return:\n", "", "Wiederholung 2"),
              (std::vector<std::string>{"Return:", "", "", "Wiederholung 2"}));
    EXPECT_EQ(protocolListCells("a\n\n\n\n\n\nb", "", "").size(), 4u);
    EXPECT_EQ(protocolListCells("", "", ""), (std::vector<std::string>{"", "", "", ""}));
}

TEST(ProtocolTableValue, ConvertsByTheContentChoice)
{
    EXPECT_EQ(protocolTableValue("12,5 V", ValuesLeft), "12.5");
    EXPECT_EQ(protocolTableValue("V 12,5", ValuesLeft), "0");
    EXPECT_EQ(protocolTableValue("U=12,5 V", ValuesLeft), "0");
    EXPECT_EQ(protocolTableValue("+1.50E-3", ValuesLeft), "0.0015");
    EXPECT_EQ(protocolTableValue("U=12,5 V", ValuesExtracted), "12");
    EXPECT_EQ(protocolTableValue("U=12.5 V", ValuesExtracted), "12.5");
    EXPECT_EQ(protocolTableValue("-0.1234567890123 A", ValuesExtracted), "-0.123456789");
    EXPECT_EQ(protocolTableValue("U=12,5 V", FullText), "U=12,5 V");
    EXPECT_EQ(protocolTableValue("1e999", ValuesLeft), "+Infinity");
    EXPECT_EQ(protocolTableValue("", ValuesExtracted), "0");
}

TEST(ProtocolTableBounds, RowZeroIsWritableAndOverflowSticks)
{
    ProtocolState state;
    state.cellRow = 0;
    state.cellCol = 1;
    EXPECT_TRUE(checkTableBounds(state));
    EXPECT_FALSE(state.limitExceeded);

    state.cellCol = 0;
    EXPECT_FALSE(checkTableBounds(state));
    EXPECT_TRUE(state.colOverflow);
    EXPECT_TRUE(state.limitExceeded);

    state.cellCol = 24;
    state.cellRow = 4096;
    EXPECT_TRUE(checkTableBounds(state));
    EXPECT_FALSE(state.colOverflow);
    EXPECT_TRUE(state.limitExceeded);

    state.cellRow = 4097;
    EXPECT_FALSE(checkTableBounds(state));
    EXPECT_TRUE(state.rowOverflow);
    state.cellRow = -1;
    EXPECT_FALSE(checkTableBounds(state));
}

// Each value out of its range has its message, in the page's order; "Spalten" is bounded by the
// "max. Spalten" typed beside it, and values beyond 32 bits stay out of range.
TEST(TableLimits, EveryValueOutOfItsRangeIsNamed)
{
    EXPECT_TRUE(tableLimitFaults({24, 10, 4096, 60}).empty());
    EXPECT_TRUE(tableLimitFaults({1, 1, 1, 10}).empty());
    EXPECT_TRUE(tableLimitFaults({255, 255, 65535, 255}).empty());
    EXPECT_EQ(tableLimitFaults({0, 5, 70000, 9}),
              (std::vector<std::string>{"Wert muss zwischen 1 und 255 liegen!",
                                        "Wert muss zwischen 1 und 'max. Spalten' liegen!",
                                        "Wert muss zwischen 1 und '65535' liegen!",
                                        "Wert muss zwischen 10 und '255' liegen!"}));
    EXPECT_EQ(tableLimitFaults({4, 5, 65535, 255}), std::vector<std::string>{"Wert muss zwischen 1 und 'max. Spalten' liegen!"});
    EXPECT_EQ(tableLimitFaults({4294967297, 1, 4294967396, 60}).size(), 2u);
    EXPECT_EQ(tableLimitFaults({24, 0, 4096, 256}).size(), 2u);
}
