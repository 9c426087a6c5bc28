// The state of a program run and of its counting loop.
#include "run/run_state.h"

RunState runState;
LoopState loopState;

void noteRunFault(const std::string& why)
{
    if (runState.fault.empty())
        runState.fault = why;
}
