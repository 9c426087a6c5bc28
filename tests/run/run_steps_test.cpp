// The counting loop and the single-entry run, decided without a window.
#include <gtest/gtest.h>

#include <vector>

#include "common/line_types.h"
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

TEST(RunSteps, ASingleEntryRunsOnlyItselfAndThePortRowsAroundIt)
{
    const std::vector<int> types = {TypeQuery,     TypeOpenPort, TypeQuery,     TypeCellPos,
                                    TypeClosePort, TypeQuery,    TypeClosePort, TypeQuery};
    const int count = static_cast<int>(types.size());
    auto typeOf = [&](int row) { return types[row]; };
    // The nearest port rows on either side, where they exist.
    EXPECT_EQ(singleEntryRows(3, count, typeOf), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(singleEntryRows(5, count, typeOf), (std::vector<int>{1, 5, 6}));
    EXPECT_EQ(singleEntryRows(0, count, typeOf), (std::vector<int>{0, 4}));
    EXPECT_EQ(singleEntryRows(7, count, typeOf), (std::vector<int>{1, 7}));
    // A port row as the entry brings no second one of its side.
    EXPECT_EQ(singleEntryRows(1, count, typeOf), (std::vector<int>{1, 4}));
    EXPECT_EQ(singleEntryRows(4, count, typeOf), (std::vector<int>{1, 4}));
    EXPECT_TRUE(singleEntryRows(8, count, typeOf).empty());

    // Four queries: the second runs alone, then the run ends past the last row.
    const std::vector<int> queries(4, TypeQuery);
    RunState run;
    run.singleEntryRow = 1;
    std::vector<int> rows;
    for (int step = 0; step < 2; ++step) {
        stepSingleEntry(run, 4, [&](int row) { return queries[row]; });
        rows.push_back(run.currentRow);
    }
    EXPECT_EQ(rows, (std::vector<int>{1, 4}));
}
