// The runner's decisions about the counting loop and the single-entry run.
#include "run/run_steps.h"

#include <vector>

#include "common/line_types.h"
#include "common/text.h"

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

std::vector<int> singleEntryRows(int entry, int rowCount, const std::function<int(int row)>& typeOf)
{
    if (entry < 0 || entry >= rowCount)
        return {};
    std::vector<int> rows;
    int type = typeOf(entry);
    if (type != TypeOpenPort && type != TypeChangePort) {
        for (int row = entry - 1; row >= 0; --row) {
            if (typeOf(row) == TypeOpenPort || typeOf(row) == TypeChangePort) {
                rows.push_back(row);
                break;
            }
        }
    }
    rows.push_back(entry);
    if (type != TypeClosePort) {
        for (int row = entry + 1; row < rowCount; ++row) {
            if (typeOf(row) == TypeClosePort) {
                rows.push_back(row);
                break;
            }
        }
    }
    return rows;
}

void stepSingleEntry(RunState& run, int rowCount, const std::function<int(int row)>& typeOf)
{
    std::vector<int> rows = singleEntryRows(run.singleEntryRow, rowCount, typeOf);
    size_t stage = static_cast<size_t>(run.singleEntryStage++);
    run.currentRow = stage < rows.size() ? rows[stage] : rowCount;
}

void forgetRun(RunState& run)
{
    run.singleEntryRow = -1;
    run.singleEntryStage = 0;
    run.started = false;
    // An answer the run asked for but did not read is not the next run's.
    run.responsePending = false;
    run.waitingForPort = false;
    run.awaitingReturn = false;
    run.returnWaitOver = false;
    run.lossPort = -1;
}
