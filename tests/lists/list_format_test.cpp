// The text of command lists, programs and the "RunList" clipboard text.
#include <gtest/gtest.h>

#include <glib.h>

#include "common/text.h"
#include "lists/list_format.h"

TEST(ListFormat, CommandListsReadAnyLineEndAndFourFields)
{
    std::vector<ListRow> rows = parseCommandList("1\t*IDN?\t1000\tIdentifikation\r\n"
                                                 "0\tVOLT <f>\t100\tSpannung µV\textra\tmore\r"
                                                 "\n"
                                                 "0\tOUTP ON\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"0", "VOLT <f>", "100", "Spannung µV"}));
    EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"0", "OUTP ON", "", ""}));
    EXPECT_EQ(commandListText(rows), "1\t*IDN?\t1000\tIdentifikation\n0\tVOLT <f>\t100\tSpannung µV\n0\tOUTP ON\t\t\n");
}

TEST(ListFormat, ProgramsKeepTheirInfoAndTheSavedTypeOfDeactivatedEntries)
{
    std::vector<ListRow> rows = {{{"11", "VOLT?", "100", "", "VOLT?"}, 1}, {{"2", "OpenPort <i>", "10", "0", ""}, 0}};
    // An info text of three TABs gives an info line of four: it is info, not a saved type.
    std::string text = programText(rows, "Messung\tAufbau\tU\tI");
    EXPECT_EQ(text, "254\tMessung\tAufbau\tU\tI\n11\tVOLT?\t100\t\t1\n2\tOpenPort <i>\t10\t0\n");
    ProgramText program = parseProgram(text);
    EXPECT_EQ(program.info, "Messung\tAufbau\tU\tI");
    ASSERT_EQ(program.rows.size(), 2u);
    EXPECT_EQ(program.rows[0].data, 1);
    EXPECT_EQ(program.rows[0].cells[0], "11");
    EXPECT_EQ(program.rows[1].data, 0);

    // A line "254" without TABs is an empty info, not a row that the next load would take for
    // the info line.
    program = parseProgram("254\n1\t*IDN?\t10\t\n");
    EXPECT_EQ(program.info, "");
    ASSERT_EQ(program.rows.size(), 1u);
    EXPECT_EQ(program.rows[0].cells[1], "*IDN?");
}

TEST(ListFormat, OldPortKeywordsAreCorrectedInTheirOwnRowsOnly)
{
    std::vector<ListRow> rows = {{{"2", "OpenCom 1", "10", ""}, 0},
                                 {{"3", "CloseCom", "10", ""}, 0},
                                 {{"0", "OpenCom 1", "10", ""}, 0},
                                 {{"4", "changecom 2", "10", ""}, 0}};
    EXPECT_TRUE(correctPortKeywords(rows));
    EXPECT_EQ(rows[0].cells[1], "OpenPort 1");
    EXPECT_EQ(rows[1].cells[1], "ClosePort");
    EXPECT_EQ(rows[2].cells[1], "OpenCom 1");
    EXPECT_EQ(rows[3].cells[1], "changecom 2");
    EXPECT_FALSE(correctPortKeywords(rows));
}

TEST(ListFormat, RunListTextRoundTripsWithSavedTypesAndRefusesOtherText)
{
    // A deactivated query keeps its saved type through the clipboard.
    std::vector<ListRow> entries = {{{"1", "VOLT?", "100", "", "VOLT?"}, 0},
                                    {{"11", "Write <s>", "10", "Größe", "write Größe"}, 1}};
    std::string text = runListText(entries);
    EXPECT_EQ(text, "RunList\r\n1\nVOLT?\n100\n\nVOLT?\r\n11\nWrite <s>\n10\nGröße\nwrite Größe\n1\r\n");
    std::vector<ListRow> back;
    ASSERT_TRUE(parseRunList(text, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].cells, entries[0].cells);
    EXPECT_EQ(back[1].cells, entries[1].cells);
    EXPECT_EQ(back[1].data, 1);
    EXPECT_FALSE(parseRunList("1\tVOLT?", back));
    EXPECT_TRUE(back.empty());
}

TEST(ListFormat, LineBreaksAndTabsInCellsNeverReachALine)
{
    // Pasted into a parameter, "1<TAB>2" would make a fifth field and "3<LF>4" a new row.
    const std::vector<ListRow> rows = {{{"0", "VOLT <f>", "10", "1\t2", "VOLT 1\t2"}, 0},
                                       {{"0", "CURR <f>", "10", "3\n4", "CURR 3\r\n4"}, 0}};
    ProgramText program = parseProgram(programText(rows, ""));
    ASSERT_EQ(program.rows.size(), 2u);
    EXPECT_EQ(program.rows[0].cells[3], "12");
    EXPECT_EQ(program.rows[1].cells[3], "34");
    EXPECT_EQ(program.rows[1].cells[0], "0");
    EXPECT_EQ(commandListText({{{"0", "*CLS\n", "x\ty", ""}, 0}}), "0\t*CLS\txy\t\n");
    std::vector<ListRow> pasted;
    ASSERT_TRUE(parseRunList("RunList\r\n0\n*RST\r\t\n10\n\n*RST\r\n", pasted));
    EXPECT_EQ(pasted[0].cells[1], "*RST");
}

TEST(ListFormat, AFileOfTooManyEntriesGivesItsFirstOnesAndSaysSo)
{
    std::string text = "254\tInfo\n";
    for (size_t row = 0; row < mostRows; ++row)
        text += "1\tVOLT?\t10\t\n";
    ListReading reading;
    EXPECT_EQ(parseProgram(text, &reading).rows.size(), mostRows);
    EXPECT_FALSE(reading.tooManyRows);
    text += "0\t*RST\t10\t\n";
    ProgramText program = parseProgram(text, &reading);
    EXPECT_EQ(program.rows.size(), mostRows);
    EXPECT_EQ(program.info, "Info");
    EXPECT_TRUE(reading.tooManyRows);
    ListReading commands;
    EXPECT_EQ(parseCommandList(text, &commands).size(), mostRows);
    EXPECT_TRUE(commands.tooManyRows);
}

// Damaged files as a load reads them: binary bytes become rows of valid text, a file cut in its
// last line keeps that line's start, Latin-1 and UTF-8 mixed is read as Latin-1, and a line of
// ten megabytes is cut with a warning while the lines after it stay.
TEST(ListFormat, DamagedFilesLoadWhatTheyHold)
{
    std::string binary(64 * 1024, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919 + i / 13) & 0xFF);
    ProgramText program = parseProgram(fileBytesToUtf8(binary));
    EXPECT_FALSE(program.rows.empty());
    for (const ListRow& row : program.rows)
        for (const std::string& cell : row.cells)
            ASSERT_TRUE(g_utf8_validate(cell.c_str(), -1, nullptr));
    program = parseProgram("1\t*IDN?\t100\t\n0\tVOLT <f>\t5");
    ASSERT_EQ(program.rows.size(), 2u);
    EXPECT_EQ(program.rows[1].cells[1], "VOLT <f>");
    EXPECT_EQ(program.rows[1].cells[2], "5");
    std::vector<ListRow> mixed = parseCommandList(fileBytesToUtf8("0\tSTROM \xB5" "A\t10\tGr\xC3\xB6\xC3\x9F" "e\n"));
    ASSERT_EQ(mixed.size(), 1u);
    EXPECT_EQ(mixed[0].cells[1], "STROM µA");
    EXPECT_EQ(mixed[0].cells[3], "GrÃ¶Ã\u009Fe");

    ListReading reading;
    std::vector<ListRow> rows =
        parseCommandList("0\tDATA " + std::string(10u << 20, '7') + "\t10\tlang\n1\t*IDN?\t100\t\n", &reading);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[1].size(), longestLine - 2);
    EXPECT_EQ(rows[1].cells[1], "*IDN?");
    EXPECT_EQ(listReadingWarnings(reading),
              std::vector<std::string>{"1 Zeile(n) mit mehr als 65536 Zeichen wurde(n) gekürzt!\nVor dem Speichern "
                                       "prüfen: gespeichert wird die gekürzte Liste."});
    reading.tooManyRows = true;
    EXPECT_EQ(listReadingWarnings(reading).front().substr(0, 40), "Die Datei hat mehr als 100000 Einträge!");
}
