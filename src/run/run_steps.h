// The runner's decisions about the counting loop and the single-entry run, taken on plain
// values so that they are tested without a window.
#pragma once

#include <functional>
#include <string>

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

// Moves a single-entry run to its next row: the OpenPort or ChangePort row above the entry (if
// any), the entry, the ClosePort row below it (if any), then past the last of rowCount rows.
void stepSingleEntry(RunState& run, int rowCount, const std::function<int(int row)>& typeOf);
