// The program run as an engine on values: the prepared rows, the run and loop state, the
// exchange with the current port, and a host for what needs the windows or the user. Each tick
// executes one row and says what comes next; the window only highlights, scrolls and arms the
// run timer. Free of any window, so that a test runs a program with a scripted device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run/device_exchange.h"
#include "run/line_preparation.h"
#include "run/run_state.h"
#include "serial/transport.h"

// What the run needs of the windows, the ports and the user.
class RunHost {
public:
    virtual ~RunHost() = default;
    // The program's rows as they stand, and the same after the whole-program check (false: the
    // check failed and told the user).
    virtual std::vector<ProgramRow> rows() = 0;
    virtual bool checkProgram() = 0;
    // Prepares one row again (quiet: without notices) and gives its cells.
    virtual ProgramRow prepareRow(int row, bool quiet) = 0;
    // Which port the run has: none chosen, one not opened since the start, or a chosen one.
    enum class PortChoice { None, NotOpened, Chosen };
    virtual PortChoice portChoice() = 0;
    // The run's first row comes; the run ends (before and after its last protocol line and its
    // loop's end); a run was refused at its start.
    virtual void started(int firstRow) = 0;
    virtual void ending() = 0;
    virtual void ended() = 0;
    virtual void refused() = 0;
    // The row the run executes now (-1: none), with the loop's rows marked.
    virtual void showRow(int row) = 0;
    // A message with OK, as information or as a warning; a program's message with Yes and No,
    // true when answered No.
    virtual void inform(const std::string& title, const std::string& text) = 0;
    virtual void warn(const std::string& title, const std::string& text) = 0;
    virtual bool declined(const std::string& text, int icon) = 0;
    virtual void showPortNotOpen() = 0;
    virtual void pause(const std::string& text) = 0;
    virtual void beep() = 0;
    virtual void clearProtocol() = 0;
    // A MsgBox row was answered No.
    virtual void stop() = 0;
    // The port rows with their "Parameter:" cell.
    virtual int64_t openPorts(const std::string& parameters) = 0;
    virtual bool portsConnecting() = 0;
    virtual std::string portsNotOpen(int64_t index) = 0;
    virtual void closePorts(const std::string& parameters) = 0;
    virtual void changePort(const std::string& parameters) = 0;
    virtual void setLine(SerialLine line, const std::string& parameter) = 0;
    // An exchange with the current port, whose lines go to the protocol.
    virtual void exchange(const std::function<void(Exchange&)>& step) = 0;
    // A line of the runner's own, and whether its own rows are shown.
    virtual void protocolLine(const std::string& text, int kind, const std::string& extra) = 0;
    virtual bool internalLines() = 0;
    // The run waits for its port, whose device went away (the text says why and since when),
    // and that wait is over: the port is back, the time is up or the run ended.
    virtual void awaitPort(const std::string& text) = 0;
    virtual void awaitPortEnded() = 0;
    // The run's clock in milliseconds, which never goes back, and the time of day ("13:25:01").
    virtual int64_t nowMs() = 0;
    virtual std::string timeOfDay() = 0;
};

// The time from the Run button (or a resume before the first row) to the run's first tick.
constexpr int64_t startIntervalMs = 200;

// How long a lost port must be back before the interrupted row runs again: a port back for a
// moment only (a device server that greets and closes while its device is away) is not back.
constexpr int64_t returnSettleMs = 250;

// What the window does after a tick.
struct RunNext {
    enum class Kind {
        Done,          // nothing more: the run ended, was refused, or waits for the user
        AfterPause,    // the next row after ms, counted from the tick's start
        AfterMs,       // the next row after ms, counted from now
        WaitForDevice, // the pending exchange's device, or its deadline
        WaitForPort,   // an OpenPort row's connects; runnerConnectEnded goes on
        WaitForReturn  // a lost port's return, at most ms; a change of the port's state goes on
    };
    Kind kind = Kind::Done;
    int64_t ms = 0;
};

class RunEngine {
public:
    RunEngine(RunHost& host, RunState& run, LoopState& loop) : host(host), run(run), loop(loop) {}
    // One tick of a running (or stopped) run.
    RunNext tick();
    // The connects an OpenPort row waited for ended; the time until its next row, or -1 when
    // the run does not go on now.
    int64_t connectsEnded();
    // A paused run goes on: the time until its next tick, which is the pause of the row it
    // paused at; after a PauseOn row, which waited for the user, the run goes on after it.
    int64_t resume();
    // The pause cell of the row, as the protocol shows it beside a line.
    std::string rowPause(int row) const;
    const PendingExchange& pendingExchange() const { return pending; }

private:
    void execute(int kind, const std::string& sendString);
    void readAnswer();
    void endRun(bool completed);
    void refuse();
    void noteEndFaults();
    void beginLoop();
    void endLoop(bool atRunEnd);
    void refuseClosedPort();
    bool unseenLoss();
    bool awaitReturn(bool cut, const std::string& why);
    bool metUnseenLoss();
    bool portBackNow();
    bool interrupted(Exchange& exchange, ExchangeState state);
    bool programMessageDeclined();
    void prepare(int row, bool quiet);
    int rowType(int row) const;
    std::string cell(int row, int column) const;

    RunHost& host;
    RunState& run;
    LoopState& loop;
    std::vector<ProgramRow> program;
    PendingExchange pending;
};
