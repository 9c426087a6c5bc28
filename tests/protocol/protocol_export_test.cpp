// The clipboard layouts, the *.log forms and the autosave file name.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/text.h"
#include "protocol/protocol_export.h"

namespace {

const ProtocolRows listRows = {
    {"Command:", "*RST", "100", ""},
    {"Query:", "SYST:ERR?", "", ""},
    {"Return:", "0,No error", "", ""},
    {"Query:", "MEAS?", "", ""},
    {"Return:", " 12.500 V ", "", ""},
    {"Return:", "V 12", "", ""},
    {"Info:", "Pause", "", "PauseOn"},
};

// Row 0 the column numbers, column 0 the row numbers; one cell left empty.
const ProtocolRows tableRows = {
    {"", "1", "2", "3"},
    {"1", "1.5", "", "Über"},
    {"2", "2.5", "3", "4"},
};

} // namespace

TEST(ProtocolExport, ListLayoutsTakeQueriesAndResponsesOnly)
{
    EXPECT_EQ(listClipboardText(listRows, ListStrings), "0,No error\r\n 12.500 V \r\nV 12\r\n");
    EXPECT_EQ(listClipboardText(listRows, ListNumbers), "0\r\n12.5\r\n0\r\n");
    // Two answers to one query: the query once, each answer on a line of its own.
    EXPECT_EQ(listClipboardText(listRows, QueriesAndStrings),
              "SYST:ERR?\t0,No error\r\nMEAS?\t 12.500 V \r\nV 12\r\n");
    EXPECT_EQ(listClipboardText(listRows, QueriesAndNumbers), "SYST:ERR?\t0\r\nMEAS?\t12.5\r\n0\r\n");
    EXPECT_EQ(cellNumberText("12,5"), "12");
    EXPECT_EQ(cellNumberText("-1.25e3 mV"), "-1250");
    // Type cells must match exactly.
    EXPECT_EQ(listClipboardText({{"Return: ", "7"}, {"return:", "8"}}, ListStrings), "");
}

TEST(ProtocolExport, TableLayoutsKeepEveryLinesTabs)
{
    EXPECT_EQ(tableClipboardText(tableRows, TableDataOnly, 3), "1.5\t\tÜber\r\n2.5\t3\t4\r\n");
    EXPECT_EQ(tableClipboardText(tableRows, TableWithFrame, 3), "\t1\t2\t3\r\n1\t1.5\t\tÜber\r\n2\t2.5\t3\t4\r\n");
    EXPECT_EQ(tableClipboardText(tableRows, TableWithHeadings, 3), "1\t2\t3\r\n1.5\t\tÜber\r\n2.5\t3\t4\r\n");
    EXPECT_EQ(tableClipboardText(tableRows, TableWithRowNumbers, 3), "1\t1.5\t\tÜber\r\n2\t2.5\t3\t4\r\n");
    // Columns beyond the stored cells are empty values, columns beyond colCount are left out.
    EXPECT_EQ(tableClipboardText(tableRows, TableDataOnly, 4), "1.5\t\tÜber\t\r\n2.5\t3\t4\t\r\n");
    EXPECT_EQ(tableClipboardText(tableRows, TableDataOnly, 1), "1.5\r\n2.5\r\n");
}

TEST(ProtocolExport, LogFormsAreLatin1WithLfLines)
{
    std::string list = listLogText({{"Query:", "Grüße?", "", ""}, {"Return:", "0"}}, true);
    EXPECT_EQ(list, "Typ\tSenden / Empfangen\tPause\tFehlercode / Steuerkommando:\n"
                    "Query:\tGrüße?\t\t\nReturn:\t0\t\t\n");
    EXPECT_EQ(fileBytesOf(list).find("Gr\xFC\xDF" "e?"), list.find("Grüße?"));
    EXPECT_EQ(listLogText({{"Info:", "x", "5", "PauseOn"}}, false), "Info:\tx\t5\tPauseOn\n");
    EXPECT_EQ(tableLogText(tableRows, 3), "\t1\t2\t3\n1\t1.5\t\tÜber\n2\t2.5\t3\t4\n");
    // A TAB or a line end from a device stays inside its cell in every export.
    EXPECT_EQ(listLogText({{"Return:", "1\t2\r", "", ""}}, false), "Return:\t1 2 \t\t\n");
    EXPECT_EQ(tableLogText({{"", "1"}, {"1", "a\r\nb"}}, 1), "\t1\n1\ta  b\n");
    EXPECT_EQ(listClipboardText({{"Query:", "A?\t"}, {"Return:", "5\r"}}, QueriesAndStrings), "A? \t5 \r\n");
}

TEST(ProtocolExport, AutosaveNameFromTheLocalStartTime)
{
    setenv("TZ", "CET-1", 1);
    // 6 December 2026, 13:05:33 UTC is 14:05:33 in Berlin.
    EXPECT_EQ(autosaveFileName(1796562333), "QZ2026-12-06_14-05-33.log");
}
