// The state of a program run and of its counting loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct RunState {
    bool running = false;
    bool started = false; // the run's start (check, autosave file, error count) is done
    bool paused = false;
    int currentRow = 0;      // the row the runner executes next
    int lastExecutedRow = 0; // the row executed at the last tick
    bool responsePending = false;
    bool querySent = false;  // the pending answer belongs to a query that was sent
    // Why the run, though it went through, did not record every value right (its first such
    // fault: a query without answer, an answer cut, values the table had no room for); empty
    // for a clean run.
    std::string fault;
    // Why the last OpenPort row left a port closed; a later one that opens its ports clears it.
    std::string openFailure;
    // An OpenPort row waits for its connects; then the run goes on after the row's pause.
    bool waitingForPort = false;
    int64_t openIndex = -1; // the port the row named, -1 every port
    int portWaitPause = 0;
    bool abortRequested = false;
    int portErrorCount = 0;
    int singleEntryRow = -1; // row of a single-entry run, -1 for a normal run
    int singleEntryStage = 0;
    // The device went away: the run waits until returnDeadline (ms on the run's clock) for its
    // port to come back, then runs currentRow again. Past the deadline the row meets the closed
    // port, and the run ends.
    bool awaitingReturn = false;
    int64_t returnDeadline = 0;
    int64_t lostAtMs = 0;
    int64_t backSinceMs = -1; // since when the port is back, -1 while it is not
    bool returnWaitOver = false;
    bool rowCut = false; // the row waiting for the port was under way: it runs again
    // The losses of the port's device that the run has met (see PortEntry::losses).
    int64_t lossPort = -1;
    int64_t lossesSeen = 0;
};

struct LoopState {
    bool loopActive = false;
    int loopStartRow = 0;
    int loopEndRow = 0;
    long long loopFrom = 0;
    long long loopTo = 0;
    long long loopStep = 1;
    long long loopCounter = 0; // the value of "#LI"
};

extern RunState runState;
extern LoopState loopState;
// The seconds every port of a run waits for its device to come back ("--reconnect"); -1: as its
// settings say.
extern int64_t reconnectSeconds;

// Keeps why as the run's fault unless it has one already.
void noteRunFault(const std::string& why);

// Told when a run starts, and when it ends (completed: it went through to its last row and no
// row was refused for a closed port), also one refused at its start. app/ wires them at start-up.
void addRunListeners(std::function<void()> started, std::function<void(bool completed)> ended);
void clearRunListeners();
void tellRunStarted();
void tellRunEnded(bool completed);
// Told of what befell a run's port: each loss and each return.
void addRunNoteListener(std::function<void(const std::string& note)> noted);
void tellRunNote(const std::string& note);
