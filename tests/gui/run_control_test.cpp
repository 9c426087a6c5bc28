// Run, pause, resume and stop of a program run through posted events.
#include "gui/harness.h"

#include "run/run_state.h"
#include "serial/device_io.h"
#include "serial/port_table.h"
#include "serial/pty.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

class RunControl : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        manualTicks = true;
        send(EvControl, WinMain, IdMainProgramButton);
        ASSERT_TRUE(windowVisible(WinProgram));
    }

    bool runTimer() const { return timerActive(WinProgram, TimerRun); }
    bool locked() const
    {
        for (int id : {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgPortButton, IdPrgCheck})
            if (controlEnabled(WinProgram, id))
                return false;
        return controlEnabled(WinProgram, IdPrgPause);
    }
    bool unlocked() const
    {
        for (int id : {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgPortButton, IdPrgCheck})
            if (!controlEnabled(WinProgram, id))
                return false;
        return !controlEnabled(WinProgram, IdPrgPause);
    }
    // A current, open port on a pseudo-terminal, so that the ticks reach the runner's steps.
    void openPort()
    {
        portCount = 1;
        PortTable[0] = PortEntry{};
        PortTable[0].name = terminal.devicePath().substr(5);
        PortTable[0].configured = 1;
        ASSERT_TRUE(openTerminalPort(0, terminal.devicePath()));
        PortTable[0].isOpen = 1;
        currentPort = 0;
        setControlText(WinProgram, IdPrgPortLabel, PortTable[0].name);
    }
    PseudoTerminal terminal;
    void pressPause(bool down)
    {
        setToggleState(WinProgram, IdPrgPause, down);
        send(EvControl, WinProgram, IdPrgPause);
    }
};

} // namespace

TEST_F(RunControl, WalksIdleRunningPausedFinishingAndBack)
{
    openPort();
    EXPECT_FALSE(runState.running);
    EXPECT_TRUE(unlocked());
    EXPECT_FALSE(runTimer());

    runState.currentRow = 5;
    send(EvControl, WinProgram, IdPrgRun);
    EXPECT_TRUE(runState.running);
    EXPECT_FALSE(runState.paused);
    EXPECT_EQ(runState.currentRow, 0);
    EXPECT_EQ(timerInterval(WinProgram, TimerRun), 200);
    EXPECT_TRUE(locked());

    pressPause(true);
    EXPECT_TRUE(runState.paused);
    EXPECT_FALSE(runTimer());
    EXPECT_FALSE(controlEnabled(WinProgram, IdPrgStop));

    // A tick that arrives while paused is ignored.
    send(EvTimer, WinProgram, TimerRun);
    EXPECT_TRUE(runState.running);
    EXPECT_TRUE(messages.empty());

    pressPause(false);
    EXPECT_FALSE(runState.paused);
    EXPECT_EQ(timerInterval(WinProgram, TimerRun), 200);
    EXPECT_TRUE(controlEnabled(WinProgram, IdPrgStop));

    send(EvControl, WinProgram, IdPrgStop);
    EXPECT_FALSE(runState.running);
    EXPECT_TRUE(runTimer());
    EXPECT_TRUE(unlocked());

    // The finishing run ends at the next tick, without a message since it no longer runs.
    send(EvTimer, WinProgram, TimerRun);
    EXPECT_FALSE(runTimer());
    EXPECT_FALSE(runState.running);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RunControl, AStartWhilePausedRunsUnpausedAndSingleEntriesKeepRowZero)
{
    insertRow(WinProgram, IdPrgList, -1, {"0", "*RST", "100", "", "*RST"});
    send(EvControl, WinProgram, IdPrgRun);
    EXPECT_EQ(runState.singleEntryRow, -1);
    send(EvMenu, WinProgram, MenuPrgPauseKey);
    ASSERT_TRUE(runState.paused);
    send(EvControl, WinProgram, IdPrgRun);
    EXPECT_FALSE(runState.paused);
    EXPECT_FALSE(toggleState(WinProgram, IdPrgPause));
    EXPECT_TRUE(controlEnabled(WinProgram, IdPrgStop));
    EXPECT_TRUE(runTimer());

    send(EvControl, WinProgram, IdPrgStop);
    selectRow(WinProgram, IdPrgList, 0, false);
    send(EvMenu, WinProgram, MenuPrgExecute);
    EXPECT_EQ(runState.singleEntryRow, 0);
    EXPECT_TRUE(runState.running);
}

TEST_F(RunControl, StopWhilePausedTakesEffectOnlyAfterResume)
{
    openPort();
    send(EvControl, WinProgram, IdPrgRun);
    send(EvMenu, WinProgram, MenuPrgPauseKey);
    ASSERT_TRUE(runState.paused);
    EXPECT_TRUE(toggleState(WinProgram, IdPrgPause));

    send(EvMenu, WinProgram, MenuPrgF12);
    EXPECT_FALSE(runState.running);
    EXPECT_TRUE(runTimer());
    send(EvTimer, WinProgram, TimerRun);
    EXPECT_TRUE(runTimer());

    // The Pause button stays usable: releasing it lets the run end at the next tick.
    ASSERT_TRUE(controlEnabled(WinProgram, IdPrgPause));
    send(EvMenu, WinProgram, MenuPrgPauseKey);
    EXPECT_FALSE(runState.paused);
    send(EvTimer, WinProgram, TimerRun);
    EXPECT_FALSE(runTimer());
    EXPECT_TRUE(messages.empty());
}

TEST_F(RunControl, KeysDoNothingWhileTheirButtonsAreDisabled)
{
    send(EvControl, WinProgram, IdPrgRun);
    setControlEnabled(WinProgram, IdPrgRun, false);
    runState.currentRow = 3;
    send(EvMenu, WinProgram, MenuPrgF11);
    EXPECT_EQ(runState.currentRow, 3);

    send(EvControl, WinProgram, IdPrgStop);
    ASSERT_FALSE(controlEnabled(WinProgram, IdPrgPause));
    send(EvMenu, WinProgram, MenuPrgPauseKey);
    EXPECT_FALSE(runState.paused);
    EXPECT_FALSE(toggleState(WinProgram, IdPrgPause));
}

TEST_F(RunControl, ClosingThePauseInfoWindowInAnyWayResumes)
{
    openPort();
    insertRow(WinProgram, IdPrgList, -1, {"0", "*TRG", "100", "", "*TRG"});
    insertRow(WinProgram, IdPrgList, -1, {"15", "PauseOn <s>", "250", "Probe wechseln", "PauseOn Probe wechseln"});
    const struct {
        int kind, object;
    } closers[] = {
        {EvMenu, MenuPauseReturn},
        {EvMenu, MenuPauseEscape},
        {EvControl, IdPauseInfoButton},
        {EvClose, 0},
    };
    for (const auto& closer : closers) {
        send(EvControl, WinProgram, IdPrgRun);
        send(EvTimer, WinProgram, TimerRun);
        send(EvTimer, WinProgram, TimerRun);
        ASSERT_TRUE(runState.paused);
        ASSERT_TRUE(windowVisible(WinPauseInfo));
        EXPECT_EQ(controlText(WinPauseInfo, IdPauseInfoButton), "Schließen und weiter");

        send(closer.kind, WinPauseInfo, closer.object);
        EXPECT_FALSE(windowExists(WinPauseInfo)) << closer.object;
        EXPECT_FALSE(runState.paused) << closer.object;
        EXPECT_FALSE(toggleState(WinProgram, IdPrgPause));
        // The run goes on after the PauseOn row, with its pause.
        EXPECT_EQ(runState.currentRow, 2);
        EXPECT_EQ(timerInterval(WinProgram, TimerRun), 250);
        send(EvControl, WinProgram, IdPrgStop);
        send(EvTimer, WinProgram, TimerRun);
    }
}
