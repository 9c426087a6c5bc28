// The whole-program check on the program window.
#include "gui/harness.h"

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

// The check writes each row's send string and colours the port rows; a row it refuses is
// selected and named in a warning, and a CellPos expression that fails ends the run's state
// until the next check.
TEST_F(Checker, CheckButtonPreparesEveryRowAndPointsAtTheFaultyOne)
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

    add("0", "*CLS", "5");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo-Warnung");
    EXPECT_EQ(selectedRow(WinProgram, IdPrgList), 3);

    removeAllRows(WinProgram, IdPrgList);
    messages.clear();
    add("7", "CellPos <i>,<i>", "10/#LI;1");
    EXPECT_EQ(PrepareLines(false, -1), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo-Parser:");
    EXPECT_TRUE(runState.abortRequested);
    setCellText(WinProgram, IdPrgList, 0, 3, "5;1");
    EXPECT_EQ(PrepareLines(false, -1), 1);
    EXPECT_FALSE(runState.abortRequested);
}
