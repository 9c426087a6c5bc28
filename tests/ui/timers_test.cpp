// Window timers and the event queue they post into.
#include <gtest/gtest.h>
#include <glib.h>

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

// A tick whose handler outlasts the interval re-arms with 0 ms: that arming must give one tick,
// not a source that is due at every iteration of the loop (and wakes it during a dialog).
TEST(Timers, ATimerTicksOncePerArming)
{
    addTimer(WinProgram, TimerRun, 0);
    while (!eventQueued(EvTimer, WinProgram, TimerRun))
        g_main_context_iteration(nullptr, TRUE);
    Event tick;
    ASSERT_TRUE(takeEvent(tick));
    EXPECT_FALSE(g_main_context_pending(nullptr));
    // Until its owner arms it again or removes it, the timer still counts as active.
    EXPECT_TRUE(timerActive(WinProgram, TimerRun));
    EXPECT_EQ(timerInterval(WinProgram, TimerRun), 0);
    removeTimer(WinProgram, TimerRun);
    EXPECT_FALSE(timerActive(WinProgram, TimerRun));
    clearEvents();
}
