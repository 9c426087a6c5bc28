// Window timers and the event queue they post into.
#include <gtest/gtest.h>

#include "ui/events.h"
#include "ui/ids.h"
#include "ui/timers.h"

TEST(Timers, ReArmingDropsATickThatAlreadyWaits)
{
    addTimer(WinProgram, TimerRun, 200);
    postEvent(EvTimer, WinProgram, TimerRun);
    postEvent(EvTimer, WinProtocol, TimerAutosave);
    // The pause of the next row counts from now, not from a tick queued during a message box.
    addTimer(WinProgram, TimerRun, 5000);
    EXPECT_FALSE(eventQueued(EvTimer, WinProgram, TimerRun));
    EXPECT_TRUE(eventQueued(EvTimer, WinProtocol, TimerAutosave));
    EXPECT_EQ(timerInterval(WinProgram, TimerRun), 5000);
    removeAllTimers();
    clearEvents();
}
