// The program runner in the program window: the run engine with the windows as its host. Each
// tick of the run timer lets the engine execute one row; the window highlights and scrolls to
// it and arms the timer for what comes next.
#include "run/runner.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "common/line_types.h"
#include "common/text.h"
#include "lists/list_windows.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/device_exchange.h"
#include "run/line_checker.h"
#include "run/pause_info_window.h"
#include "run/port_exchange.h"
#include "run/run_control.h"
#include "run/run_engine.h"
#include "run/run_state.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "ui/beep.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/redraws.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

void scrollToRow(int row)
{
    GtkWidget* view = controlWidget(WinProgram, IdPrgList);
    if (!view || row < 0 || row >= rowCount(WinProgram, IdPrgList))
        return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(view), path, nullptr, TRUE, 0.5f, 0.0f);
    gtk_tree_path_free(path);
}

// Scrolls when the row lies after the last row the view shows.
void keepRowInView(int row, int last)
{
    GtkWidget* view = controlWidget(WinProgram, IdPrgList);
    GtkTreePath* end = nullptr;
    if (!view || !gtk_tree_view_get_visible_range(GTK_TREE_VIEW(view), nullptr, &end))
        return;
    int lastShown = gtk_tree_path_get_indices(end)[0];
    gtk_tree_path_free(end);
    if (row > lastShown)
        scrollToRow(std::min(row + 1, last));
}

class ProgramWindowHost : public RunHost {
public:
    std::vector<ProgramRow> rows() override { return programRows(); }
    bool checkProgram() override { return PrepareLines(false, -1) != 0; }
    ProgramRow prepareRow(int row, bool quiet) override
    {
        PrepareLines(quiet, row);
        return programRow(row);
    }
    PortChoice portChoice() override
    {
        if (currentPort == -1)
            return PortChoice::None;
        bool invalid = currentPort < 0 || currentPort >= static_cast<PortIndex>(PortTable.size());
        return invalid || controlText(WinProgram, IdPrgPortLabel) == "Close" ? PortChoice::NotOpened
                                                                              : PortChoice::Chosen;
    }
    void started(int firstRow) override
    {
        clearSelection(WinProgram, IdPrgList);
        setControlEnabled(WinProgram, IdPrgRun, false);
        setControlEnabled(WinProgram, IdPrgStop, true);
        protocolAutosave(0);
        scrollToRow(firstRow);
    }
    void ending() override
    {
        clearSelection(WinProgram, IdPrgList);
        removeTimer(WinProgram, TimerRun);
        setControlEnabled(WinProgram, IdPrgRun, true);
        setControlEnabled(WinProgram, IdPrgStop, false);
    }
    void ended() override
    {
        markProgramRows(-1, -1, -2);
        lockRunInterface(false);
        endFramedRedraws();
        protocolAutosave(1);
        protocolAutosave(2);
    }
    void refused() override
    {
        removeTimer(WinProgram, TimerRun);
        lockRunInterface(false);
        endFramedRedraws();
    }
    void showRow(int row) override
    {
        markProgramRows(row, loopState.loopActive ? loopState.loopStartRow : -1,
                        loopState.loopActive ? loopState.loopEndRow : -2);
        if (row >= 0)
            keepRowInView(row, rowCount(WinProgram, IdPrgList) - 1);
    }
    void inform(const std::string& title, const std::string& text) override
    {
        messageBox(WinProgram, title, text, IconInfo, ButtonsOk);
    }
    void warn(const std::string& title, const std::string& text) override
    {
        messageBox(WinProgram, title, text, IconWarning, ButtonsOk);
    }
    bool declined(const std::string& text, int icon) override
    {
        exportBeforeMessageBox();
        return messageBox(WinProgram, "Quirlo", text, icon, ButtonsYesNo) == ResultNo;
    }
    void showPortNotOpen() override { ::showPortNotOpen(WinProgram); }
    void pause(const std::string& text) override
    {
        setToggleState(WinProgram, IdPrgPause, true);
        postEvent(EvControl, WinProgram, IdPrgPause);
        if (!text.empty())
            ShowPauseInfo(text, "Schließen und weiter");
    }
    void beep() override { PlayBeep(); }
    void clearProtocol() override
    {
        if (windowExists(WinProtocol))
            ::clearProtocol(false);
    }
    void stop() override { postEvent(EvControl, WinProgram, IdPrgStop); }
    int64_t openPorts(const std::string& parameters) override { return openPortCommand(parameters); }
    bool portsConnecting() override { return ::portsConnecting(); }
    std::string portsNotOpen(int64_t index) override { return ::portsNotOpen(index); }
    void closePorts(const std::string& parameters) override { closePortCommand(parameters); }
    void changePort(const std::string& parameters) override { changePortCommand(parameters); }
    void setLine(SerialLine line, const std::string& parameter) override { setLineCommand(line, parameter); }
    void exchange(const std::function<void(Exchange&)>& step) override { exchangeWithCurrentPort(step); }
    void protocolLine(const std::string& text, int kind, const std::string& extra) override
    {
        protocolOut(text, kind, extra);
    }
    // The protocol lines of the runner's own rows, which the list shows only on request.
    bool internalLines() override
    {
        int mode = protocol.protocolMode;
        return (mode == ModeDebug || mode == ModeList || mode == ModeExcel) &&
               toggleState(WinSettings, IdSetInternalCommands);
    }
    // The pause window tells why the run waits; it closes by itself when the port is back, and
    // closing it leaves the run waiting.
    void awaitPort(const std::string& text) override { ShowPauseInfo(text, "Schließen"); }
    void awaitPortEnded() override
    {
        if (windowExists(WinPauseInfo))
            postEvent(EvClose, WinPauseInfo, 0);
    }
    int64_t nowMs() override { return g_get_monotonic_time() / 1000; }
    std::string timeOfDay() override { return localTimeText("%H:%M:%S"); }
};

ProgramWindowHost host;
RunEngine engine(host, runState, loopState);

// Arms the run timer so that the next row starts the interval after this tick began: what the
// tick spent on its own work, beyond the exchange's waits, comes off the interval.
void armAfter(int64_t intervalMs, int64_t tickStart, int64_t waitedBefore)
{
    int64_t work = g_get_monotonic_time() - tickStart - (waitedMicroseconds() - waitedBefore);
    int64_t ms = std::clamp<int64_t>(intervalMs - (work + 500) / 1000, 0, 600000);
    addTimer(WinProgram, TimerRun, static_cast<int>(ms));
}

} // namespace

LineContext protocolLineContext(int kind)
{
    LineContext context;
    context.portCurrent = currentPort >= 0;
    if (runState.running)
        context.pause = kind < KindResponse ? engine.rowPause(runState.lastExecutedRow)
                                            : controlText(WinSettings, IdSetDelayLong);
    return context;
}

int64_t runnerResume()
{
    return engine.resume();
}

void runnerConnectEnded()
{
    int64_t pause = engine.connectsEnded();
    if (pause >= 0)
        addTimer(WinProgram, TimerRun, static_cast<int>(pause));
}

void runnerPortChanged()
{
    // A row waiting for its answer as it comes learns of the loss now, not at its deadline; one
    // with fixed waits reads at its time.
    bool waitsForDevice = engine.pendingExchange().step != PendingExchange::Step::None;
    if ((runState.awaitingReturn || waitsForDevice) && runState.running && !runState.paused)
        addTimer(WinProgram, TimerRun, 0);
}

void RunTick()
{
    const int64_t tickStart = g_get_monotonic_time();
    const int64_t waitedBefore = waitedMicroseconds();
    RunNext next = engine.tick();
    switch (next.kind) {
    case RunNext::Kind::WaitForDevice: waitForDevice(WinProgram, TimerRun, engine.pendingExchange()); break;
    case RunNext::Kind::AfterPause: armAfter(next.ms, tickStart, waitedBefore); break;
    case RunNext::Kind::AfterMs: addTimer(WinProgram, TimerRun, static_cast<int>(next.ms)); break;
    case RunNext::Kind::WaitForReturn:
        addTimer(WinProgram, TimerRun, static_cast<int>(std::clamp<int64_t>(next.ms, 1, 600000)));
        break;
    case RunNext::Kind::WaitForPort:
    case RunNext::Kind::Done: break;
    }
}
