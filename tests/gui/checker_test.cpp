// The whole-program check and the single-row preparation on the program window.
#include "gui/harness.h"

#include "protocol/protocol_state.h"
#include "run/line_checker.h"
#include "run/run_state.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"

namespace {

class Checker : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        send(EvControl, WinMain, IdMainProgramButton);
    }
    void add(const std::string& type, const std::string& blank, const std::string& parameters,
             const std::string& pause = "100")
    {
        insertRow(WinProgram, IdPrgList, -1, {type, blank, pause, parameters, ""});
    }
    std::string sendString(int row) { return cellText(WinProgram, IdPrgList, row, 4); }
};

} // namespace

TEST_F(Checker, CheckButtonPreparesEveryRow)
{
    add("0", "VOLT <F>", "1.50");
    add("2", "OpenPort <i>", "0");
    add("1", "MEAS:VOLT?", "", "5");
    send(EvControl, WinProgram, IdPrgCheck);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sendString(0), "VOLT 1.5");
    EXPECT_EQ(sendString(1), "openport 0");
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 2, 2), "10");
    EXPECT_EQ(rowColour(WinProgram, IdPrgList, 1), "#ff0000");
}

TEST_F(Checker, CountWarningNamesTheRowAndFailsTheCheck)
{
    add("0", "*RST", "");
    add("0", "*CLS", "5");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo-Warnung");
    EXPECT_EQ(messages[0].text, "Die Anzahl an Platzhaltern und\nParametern unterscheidet sich in\nProgrammzeile: 2");
    EXPECT_EQ(selectedRow(WinProgram, IdPrgList), 1);
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 1, 3), "");
    messages.clear();
    EXPECT_EQ(PrepareLines(true, 1), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Checker, NestedAndOpenLoopsNameTheirRows)
{
    add("5", "Loop <i>,<i>,<i>", "1;3;1");
    add("5", "Loop <i>,<i>,<i>", "1;3;1");
    add("6", "LoopEnd", "");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo - Kommandocheck");
    EXPECT_EQ(messages[0].text, "Zeile 2\nEs sind keine verschachtelten Schleifen, oder\nfreien Schleifenteile erlaubt");
    EXPECT_EQ(selectedRow(WinProgram, IdPrgList), 1);
    EXPECT_EQ(sendString(2), "");

    removeAllRows(WinProgram, IdPrgList);
    messages.clear();
    add("5", "Loop <i>,<i>,<i>", "1;3;1");
    add("0", "*TRG", "");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Zeile 2\nDas Programm endet mit einer offenen Schleife!\nBitte korrigieren!");
}

TEST_F(Checker, TheWholeProgramCheckKeepsTheTablePosition)
{
    protocol.cellRow = 3;
    protocol.cellCol = 4;
    add("7", "CellPos <i>,<i>", "+1;+1");
    add("7", "CellPos <i>,<i>", "10;2");
    EXPECT_EQ(PrepareLines(false, -1), 1);
    EXPECT_EQ(sendString(0), "cellpos 4,5");
    EXPECT_EQ(sendString(1), "cellpos 10,2");
    EXPECT_EQ(protocol.cellRow, 3);
    EXPECT_EQ(protocol.cellCol, 4);

    // A single row moves it.
    EXPECT_EQ(PrepareLines(false, 0), 1);
    EXPECT_EQ(protocol.cellRow, 4);
    EXPECT_EQ(protocol.cellCol, 5);
}

TEST_F(Checker, ADivisionByTheLoopCounterFailsTheCheck)
{
    add("7", "CellPos <i>,<i>", "10/#LI;1");
    add("0", "*TRG", "");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo-Parser:");
    EXPECT_EQ(messages[0].text, "Division durch 0!\n'Run'-Zustand wird beendet!");
    EXPECT_TRUE(runState.abortRequested);
    EXPECT_EQ(selectedRow(WinProgram, IdPrgList), 0);
    EXPECT_EQ(sendString(1), "");

    // The next whole-program check starts afresh.
    setCellText(WinProgram, IdPrgList, 0, 3, "5x2;1");
    messages.clear();
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "QuirloParser:");
    EXPECT_EQ(messages[0].text, "Unbekannter Operator!");
}
