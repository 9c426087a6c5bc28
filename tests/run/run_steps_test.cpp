// The counting loop and the single-entry run, decided without a window.
#include <gtest/gtest.h>

#include <vector>

#include "lists/line_types.h"
#include "run/run_steps.h"

TEST(RunSteps, ALoopRepeatsUntilItsCounterPassesItsEndInEitherDirection)
{
    LoopState loop;
    RunState run;
    ASSERT_EQ(startLoop(loop, 2, "1;3;1"), LoopStart::Started);
    EXPECT_EQ(loop.loopCounter, 1);
    std::vector<long long> counters;
    for (LoopEnd step = LoopEnd::Repeat; step == LoopEnd::Repeat;) {
        run.currentRow = 5;
        step = endLoopStep(loop, run, false);
        if (step == LoopEnd::Repeat) {
            EXPECT_EQ(run.currentRow, 1);
            EXPECT_EQ(startLoop(loop, 2, "1;3;1"), LoopStart::Again);
            counters.push_back(loop.loopCounter);
        }
    }
    EXPECT_EQ(counters, (std::vector<long long>{2, 3}));
    EXPECT_FALSE(loop.loopActive);

    ASSERT_EQ(startLoop(loop, 0, "10;4;-3"), LoopStart::Started);
    EXPECT_EQ(endLoopStep(loop, run, false), LoopEnd::Repeat);
    EXPECT_EQ(loop.loopCounter, 7);
    EXPECT_EQ(endLoopStep(loop, run, false), LoopEnd::Repeat);
    EXPECT_EQ(endLoopStep(loop, run, false), LoopEnd::Finished);
}

TEST(RunSteps, MisplacedLoopRowsAreToldApart)
{
    LoopState loop;
    RunState run;
    EXPECT_EQ(endLoopStep(loop, run, false), LoopEnd::Free);
    EXPECT_EQ(startLoop(loop, 1, "1;3"), LoopStart::BadParameters);
    EXPECT_FALSE(loop.loopActive);
    EXPECT_EQ(startLoop(loop, 1, "1;70000;1"), LoopStart::BeyondRange);
    EXPECT_TRUE(loop.loopActive);
    EXPECT_EQ(startLoop(loop, 4, "1;2;1"), LoopStart::Nested);
    // The run's end finishes an open loop.
    EXPECT_EQ(endLoopStep(loop, run, true), LoopEnd::Finished);
    EXPECT_FALSE(loop.loopActive);
}

TEST(RunSteps, ASingleEntryRunsWithThePortRowsAroundIt)
{
    const std::vector<int> types = {TypeCommand, TypeOpenPort, TypeQuery, TypeCommand, TypeClosePort, TypeQuery};
    RunState run;
    run.singleEntryRow = 3;
    std::vector<int> rows;
    for (int step = 0; step < 4; ++step) {
        stepSingleEntry(run, static_cast<int>(types.size()), [&](int row) { return types[row]; });
        rows.push_back(run.currentRow);
    }
    EXPECT_EQ(rows, (std::vector<int>{1, 3, 4, 6}));
}
