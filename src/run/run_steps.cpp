// The runner's decisions about the counting loop and the single-entry run.
#include "run/run_steps.h"

#include <vector>

#include "common/text.h"
#include "lists/line_types.h"

namespace {

constexpr long long largestLoopEnd = 65535;

} // namespace

LoopStart startLoop(LoopState& loop, int row, const std::string& parameters)
{
    if (loop.loopActive)
        return row == loop.loopStartRow ? LoopStart::Again : LoopStart::Nested;
    std::vector<std::string> fields = splitText(parameters, ";");
    if (fields.size() != 3)
        return LoopStart::BadParameters;
    loop.loopActive = true;
    loop.loopStartRow = row;
    loop.loopEndRow = row;
    loop.loopFrom = intValue(fields[0]);
    loop.loopTo = intValue(fields[1]);
    loop.loopStep = intValue(fields[2]);
    loop.loopCounter = loop.loopFrom;
    return loop.loopTo > largestLoopEnd ? LoopStart::BeyondRange : LoopStart::Started;
}

LoopEnd endLoopStep(LoopState& loop, RunState& run, bool atRunEnd)
{
    if (!atRunEnd && !loop.loopActive)
        return LoopEnd::Free;
    bool finished = atRunEnd;
    if (!atRunEnd) {
        loop.loopCounter += loop.loopStep;
        loop.loopEndRow = run.currentRow;
        finished = (loop.loopStep > 0 && loop.loopCounter > loop.loopTo) ||
                   (loop.loopStep < 0 && loop.loopCounter < loop.loopTo);
    }
    if (finished) {
        loop = LoopState{};
        return LoopEnd::Finished;
    }
    run.currentRow = loop.loopStartRow - 1;
    return LoopEnd::Repeat;
}

void stepSingleEntry(RunState& run, int rowCount, const std::function<int(int row)>& typeOf)
{
    switch (run.singleEntryStage) {
    case 0:
        for (int row = run.singleEntryRow - 1; row >= 0; --row) {
            if (typeOf(row) == TypeOpenPort || typeOf(row) == TypeChangePort) {
                run.currentRow = row;
                break;
            }
        }
        run.singleEntryStage = 1;
        break;
    case 1:
        run.currentRow = run.singleEntryRow;
        run.singleEntryStage = 2;
        break;
    case 2:
        for (int row = rowCount - 1; row > run.currentRow; --row) {
            if (typeOf(row) == TypeClosePort) {
                run.currentRow = row;
                break;
            }
        }
        run.singleEntryStage = 3;
        break;
    default: run.currentRow = rowCount; break;
    }
}
