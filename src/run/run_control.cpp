// Run, pause, resume and stop of a program run, and the runner's step on each tick.
#include "run/run_control.h"

#include "run/line_checker.h"
#include "run/run_engine.h"
#include "run/run_state.h"
#include "run/runner.h"
#include "run/run_steps.h"
#include "serial/device_io.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/redraws.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

const int lockedControls[] = {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgPortButton,
                              IdPrgCheck};

void resumeRun()
{
    addTimer(WinProgram, TimerRun, static_cast<int>(runnerResume()));
    setControlEnabled(WinProgram, IdPrgStop, true);
    if (windowExists(WinPauseInfo))
        postEvent(EvClose, WinPauseInfo, 0);
}

} // namespace

void startRun(int singleEntryRow)
{
    // A start while paused begins a run that is not paused: its buttons say so.
    if (runState.paused) {
        setToggleState(WinProgram, IdPrgPause, false);
        setControlEnabled(WinProgram, IdPrgStop, true);
    }
    // Nothing of an earlier run may steer this one or be taken for its answers.
    forgetRun(runState);
    runState.singleEntryRow = singleEntryRow;
    // The monitor shows what came before the run; then the run drops it.
    tellRunStarted();
    if (currentPort >= 0)
        deviceDiscardInput(currentPort);
    addTimer(WinProgram, TimerRun, static_cast<int>(startIntervalMs));
    if (GtkWidget* list = controlWidget(WinProgram, IdPrgList))
        gtk_widget_grab_focus(list);
    lockRunInterface(true);
    beginFramedRedraws({WinProgram, WinProtocol});
    runState.currentRow = 0;
    runState.running = true;
    runState.paused = false;
}

void pauseToggled()
{
    bool down = toggleState(WinProgram, IdPrgPause);
    if (down && !runState.paused) {
        runState.paused = true;
        removeTimer(WinProgram, TimerRun);
        setControlEnabled(WinProgram, IdPrgStop, false);
    } else if (!down && runState.paused) {
        resumeRun();
    }
}

void stopRun()
{
    if (!runState.running)
        return;
    runState.running = false;
    // An OpenPort row's connect ends with the run.
    cancelConnects();
    addTimer(WinProgram, TimerRun, static_cast<int>(startIntervalMs));
    lockRunInterface(false);
    // A paused run ends at the first tick after the Pause button is released, so the button
    // must stay usable; disabled, it would leave the run paused for good.
    if (runState.paused)
        setControlEnabled(WinProgram, IdPrgPause, true);
}

void lockRunInterface(bool lock)
{
    for (int id : lockedControls)
        setControlEnabled(WinProgram, id, !lock);
    setControlEnabled(WinSettings, IdSetAuthorisation, !lock);
    setControlEnabled(WinProgram, IdPrgPause, lock);
    if (!lock) {
        if (GtkWidget* frame = controlWidget(WinProgram, IdPrgListFrame))
            gtk_widget_modify_bg(frame, GTK_STATE_NORMAL, nullptr);
    }
    hideWindow(WinPortAuth);
}

void checkProgram()
{
    PrepareLines(false, -1);
}
