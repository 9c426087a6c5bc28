// The runner's decisions about the counting loop and the single-entry run, taken on plain
// values so that they are tested without a window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/run_state.h"

// What a Loop row did.
enum class LoopStart {
    Started,       // the loop begins at the row with its counter at "from"
    Again,         // the loop's own row, met again after its LoopEnd
    Nested,        // a second Loop row inside the loop: the run ends
    BadParameters, // not three ";"-separated parameters: the row does nothing
    BeyondRange    // started, but its end lies beyond 65535
};
LoopStart startLoop(LoopState& loop, int row, const std::string& parameters);

// What a LoopEnd row did; at the run's end every loop finishes.
enum class LoopEnd {
    Repeat,   // the counter stepped on and stays in range: currentRow goes back before the Loop row
    Finished, // the counter passed its end: the loop state is cleared
    Free      // a LoopEnd without a loop: the run ends
};
LoopEnd endLoopStep(LoopState& loop, RunState& run, bool atRunEnd);

// The rows a single entry runs, in order: the nearest OpenPort or ChangePort row above the
// entry, the entry, the nearest ClosePort row below it, each port row only where it exists.
std::vector<int> singleEntryRows(int entry, int rowCount, const std::function<int(int row)>& typeOf);
// Moves a single-entry run to its next row, and past the last of rowCount rows after them.
void stepSingleEntry(RunState& run, int rowCount, const std::function<int(int row)>& typeOf);
// Forgets what steered a run that ended or was refused, so that the next run is a whole one
// from its start.
void forgetRun(RunState& run);
