// The harness itself: a loop that never becomes idle fails the test with what kept it busy,
// and never keeps Quirlo's own events from being handled.
#include "gui/harness.h"

#include <gtest/gtest-spi.h>

#include "ui/ids.h"
#include "ui/timers.h"
#include "ui/controls.h"

TEST_F(QuirloTest, ALoopThatNeverBecomesIdleFailsWithinItsBoundAfterHandlingQuirlosEvents)
{
    ASSERT_TRUE(pumpUntil([] { return !timerActive(WinMain, TimerStartup); }));
    busyLimitMs = 300;
    guint spinning = g_idle_add([](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    post(EvControl, WinMain, IdMainProgramButton);
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        pumpUntilIdle();
        EXPECT_FALSE(pumpUntil([] { return false; }));
    }
    g_source_remove(spinning);
    EXPECT_TRUE(windowVisible(WinProgram));
    ASSERT_EQ(failures.size(), 2);
    std::string idle = failures.GetTestPartResult(0).message();
    EXPECT_NE(idle.find("still busy after 300 ms: "), std::string::npos) << idle;
    EXPECT_NE(idle.find("; event kind 3 window 0 object 5: 1 times"), std::string::npos) << idle;
    std::string waiting = failures.GetTestPartResult(1).message();
    EXPECT_NE(waiting.find("never became idle while waiting: "), std::string::npos) << waiting;
    EXPECT_NE(waiting.find("no event of Quirlo's queue: a toolkit source was ready"), std::string::npos) << waiting;
}
