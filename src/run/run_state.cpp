// The state of a program run and of its counting loop.
#include "run/run_state.h"

#include <utility>
#include <vector>

RunState runState;
LoopState loopState;
int64_t reconnectSeconds = -1;

namespace {

std::vector<std::function<void()>> startListeners;
std::vector<std::function<void(bool)>> endListeners;
std::vector<std::function<void(const std::string&)>> noteListeners;

} // namespace

void addRunListeners(std::function<void()> started, std::function<void(bool completed)> ended)
{
    if (started)
        startListeners.push_back(std::move(started));
    if (ended)
        endListeners.push_back(std::move(ended));
}

void clearRunListeners()
{
    startListeners.clear();
    endListeners.clear();
    noteListeners.clear();
}

void tellRunStarted()
{
    for (const auto& listener : startListeners)
        listener();
}

void tellRunEnded(bool completed)
{
    for (const auto& listener : endListeners)
        listener(completed);
}

void addRunNoteListener(std::function<void(const std::string& note)> noted)
{
    noteListeners.push_back(std::move(noted));
}

void tellRunNote(const std::string& note)
{
    for (const auto& listener : noteListeners)
        listener(note);
}

void noteRunFault(const std::string& why)
{
    if (runState.fault.empty())
        runState.fault = why;
}
