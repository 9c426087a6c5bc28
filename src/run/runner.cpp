// The program runner: each tick of the run timer executes one program row against the current
// port, with the counting loop, the single-entry run, the device's answers and error queries.
#include "run/runner.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

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
#include "run/run_state.h"
#include "run/run_steps.h"
#include "serial/device_io.h"
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

const char* const loopTitle = "Quirlo - Kommandocheck";

std::string cell(int row, int column)
{
    return cellText(WinProgram, IdPrgList, row, column);
}

int rowType(int row)
{
    return static_cast<int>(intValue(cell(row, ColumnType)));
}

PortEntry& port()
{
    return PortTable[currentPort];
}

// The protocol lines of the runner's own rows, which the list shows only on request.
bool internalLines()
{
    int mode = protocol.protocolMode;
    return (mode == ModeDebug || mode == ModeList || mode == ModeExcel) &&
           toggleState(WinSettings, IdSetInternalCommands);
}

bool contains(const std::string& text, const char* keyword)
{
    return upperText(text).find(keyword) != std::string::npos;
}

void highlightCurrentRow(bool on)
{
    if (on)
        markProgramRows(runState.currentRow, loopState.loopActive ? loopState.loopStartRow : -1,
                        loopState.loopActive ? loopState.loopEndRow : -2);
    else
        markProgramRows(-1, loopState.loopActive ? loopState.loopStartRow : -1,
                        loopState.loopActive ? loopState.loopEndRow : -2);
}

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

// The Loop and LoopEnd rows, and the end of a loop with the run, as the user sees them.
void endLoop(bool atRunEnd)
{
    switch (endLoopStep(loopState, runState, atRunEnd)) {
    case LoopEnd::Free:
        messageBox(WinProgram, loopTitle,
                   "Es sind keine doppelten oder freien Schleifenenden erlaubt!\nProgrammabbruch", IconWarning,
                   ButtonsOk);
        runState.running = false;
        break;
    case LoopEnd::Finished: markProgramRows(-1, -1, -2); break;
    case LoopEnd::Repeat: break;
    }
}

void beginLoop()
{
    switch (startLoop(loopState, runState.currentRow, cell(runState.currentRow, ColumnParameters))) {
    case LoopStart::Nested:
        messageBox(WinProgram, loopTitle,
                   "Es sind keine verschachtelten Schleifen oder\nfreien Schleifenteile erlaubt!\nProgrammabbruch",
                   IconWarning, ButtonsOk);
        runState.running = false;
        break;
    case LoopStart::BadParameters:
        messageBox(WinProgram, loopTitle, "Schleifenparameter nicht korrekt!", IconWarning, ButtonsOk);
        break;
    case LoopStart::BeyondRange:
        messageBox(WinProgram, loopTitle, "Schleifenende >= 65535 ist außerhalb des Bereiches!", IconWarning,
                   ButtonsOk);
        break;
    case LoopStart::Started:
    case LoopStart::Again: break;
    }
}

// A run refused before its first row.
void refuseRun()
{
    runState.running = false;
    runState.abortRequested = false;
    forgetRun(runState);
    removeTimer(WinProgram, TimerRun);
    lockRunInterface(false);
    endFramedRedraws();
    tellRunEnded(false);
}

// What the run lost beyond its first exchange fault: values without a cell, a port that an
// OpenPort row left closed.
void noteRunEndFaults()
{
    std::vector<std::string> faults;
    if (!runState.fault.empty())
        faults.push_back(runState.fault);
    if (protocol.lostValues > 0)
        faults.push_back("Messtabelle voll: " + std::to_string(protocol.lostValues) + " Werte ohne Zelle (max. Zeilen " +
                         std::to_string(protocol.maxRows) + ", max. Spalten " + std::to_string(protocol.maxCols) +
                         ")");
    if (!runState.openFailure.empty())
        faults.push_back("OpenPort: " + runState.openFailure);
    runState.fault = joinText(faults, "; ");
}

void endRun(bool completed)
{
    noteRunEndFaults();
    clearSelection(WinProgram, IdPrgList);
    removeTimer(WinProgram, TimerRun);
    runState.currentRow = 0;
    runState.running = false;
    forgetRun(runState);
    setControlEnabled(WinProgram, IdPrgRun, true);
    setControlEnabled(WinProgram, IdPrgStop, false);
    if (protocol.protocolMode == ModeDebug)
        protocolOut("*** Ende ***", -1, "");
    endLoop(true);
    markProgramRows(-1, -1, -2);
    lockRunInterface(false);
    endFramedRedraws();
    protocolAutosave(1);
    protocolAutosave(2);
    tellRunEnded(completed);
}

// The exchange of a device that reads at once, while it waits for the device.
PendingExchange pending;

// Sends a command or query row the way the current port's device reads its answers.
void startExchange(void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                   void (*withFixedWaits)(Exchange&, const std::string&), const std::string& text)
{
    startCurrentExchange(pending, atOnce, withFixedWaits, text);
}

void setLine(SerialLine line, const char* name)
{
    PrepareLines(false, runState.currentRow);
    std::string parameter = cell(runState.currentRow, ColumnParameters);
    setLineCommand(line, parameter);
    if (internalLines())
        protocolOut(std::string(name) + "\n" + parameter, TypeSetDTR, "");
}

void pauseOn()
{
    PrepareLines(false, runState.currentRow);
    setToggleState(WinProgram, IdPrgPause, true);
    postEvent(EvControl, WinProgram, IdPrgPause);
    std::string text = cell(runState.currentRow, ColumnParameters);
    if (!text.empty())
        ShowPauseInfo(text, "Schließen und weiter");
}

// Keeps the first fault of the run: a query without answer, or an answer that was cut.
void noteExchangeFault(ExchangeState state, int row)
{
    std::string line = std::to_string(row + 1);
    if (state == ExchangeState::Unanswered)
        noteRunFault("Keine Antwort auf die Abfrage in Programmzeile " + line);
    else if (state == ExchangeState::Cut)
        noteRunFault("Antwort abgeschnitten in Programmzeile " + line);
}

// A row refused because the port is not open; the third refusal of a run ends it. A device
// that went away ends the run at once, with one message that says so.
void refuseClosedPort()
{
    const std::string& lost = currentPort >= 0 ? PortTable[currentPort].lostWhy : std::string();
    if (!lost.empty()) {
        messageBox(WinProgram, "Quirlo", lost + "\nProgrammlauf wird abgebrochen!", IconWarning, ButtonsOk);
        runState.running = false;
        ++runState.portErrorCount;
    } else if (runState.portErrorCount == 2) {
        messageBox(WinProgram, "Quirlo", "Dauerhafter Portfehler!\nProgrammlauf wird abgebrochen!", IconWarning,
                   ButtonsOk);
        runState.running = false;
    } else {
        showPortNotOpen(WinProgram);
        ++runState.portErrorCount;
    }
}

} // namespace

LineContext protocolLineContext(int kind)
{
    LineContext context;
    context.portCurrent = currentPort >= 0;
    if (runState.running)
        context.pause = kind < KindResponse ? cell(runState.lastExecutedRow, ColumnPause)
                                            : controlText(WinSettings, IdSetDelayLong);
    return context;
}

int ShowProgramMessage()
{
    std::string send = cell(runState.currentRow, ColumnSendString);
    if (std::count(send.begin(), send.end(), ',') != 1) {
        messageBox(WinProgram, "Quirlo", "2 Parameter nötig: \n<Dialogtext>;<Icontyp>", IconInfo, ButtonsOk);
        return 0;
    }
    size_t comma = send.find(',');
    std::string text = comma > 7 ? send.substr(7, comma - 7) : "";
    int64_t icon = intValue(send.substr(comma + 1));
    if (text.empty() || icon < 0 || icon > 2)
        return 0;
    exportBeforeMessageBox();
    // The message dialog shows the text as it is.
    return messageBox(WinProgram, "Quirlo", text, static_cast<int>(icon), ButtonsYesNo);
}

void ExecuteLine(int kind, const std::string& sendString)
{
    int row = runState.currentRow;
    std::string parameters = cell(row, ColumnParameters);
    if (kind == TypeOpenPort && contains(sendString, "OPENPORT")) {
        runState.openIndex = openPortCommand(parameters);
        runState.waitingForPort = portsConnecting();
        if (!runState.waitingForPort)
            runState.openFailure = portsNotOpen(runState.openIndex);
    }
    else if (kind == TypeClosePort && contains(sendString, "CLOSEPORT"))
        closePortCommand(parameters);
    else if (kind == TypeChangePort && contains(sendString, "CHANGEPORT "))
        changePortCommand(parameters);

    if (lineTypeNeedsPort(kind) && !currentPortOpen()) {
        refuseClosedPort();
        return;
    }
    switch (kind) {
    case TypeCommand:
        startExchange(beginCommand, exchangeCommand, sendString);
        runState.responsePending = pending.step != PendingExchange::Step::None;
        break;
    case TypeQuery:
        startExchange(beginQuery, exchangeQuery, sendString);
        runState.responsePending = true;
        runState.querySent = !sendString.empty();
        break;
    case KindResponse:
        exchangeWithCurrentPort([&](Exchange& exchange) {
            ExchangeState state = pending.step == PendingExchange::Step::None
                                      ? exchangeAnswer(exchange, runState.querySent)
                                      : continueExchange(exchange, pending);
            if (state == ExchangeState::Waiting)
                return;
            noteExchangeFault(state, row);
            runState.responsePending = false;
        });
        break;
    case TypeLoop:
        if (contains(sendString, "LOOP "))
            beginLoop();
        break;
    case TypeLoopEnd:
        if (contains(sendString, "LOOPEND"))
            endLoop(false);
        break;
    case TypeCellPos:
        if (contains(sendString, "CELLPOS ")) {
            PrepareLines(false, row);
            if (internalLines())
                protocolOut("CellPos\n\n\n" + cell(row, ColumnSendString), -1, "");
        }
        break;
    case TypeWrite:
        if (contains(sendString, "WRITE ")) {
            PrepareLines(false, row);
            std::string send = cell(row, ColumnSendString);
            std::string value = send.size() > 6 ? send.substr(6) : "";
            if (internalLines())
                protocolOut("Write\n\n\n" + value, TypeWrite, "");
            else if (protocol.protocolMode == ModeTable)
                protocolOut(value, TypeWrite, "");
        }
        break;
    case TypeSetDTR:
        if (contains(sendString, "SETDTR "))
            setLine(SerialLine::DTR, "SetDTR");
        break;
    case TypeSetRTS:
        if (contains(sendString, "SETRTS "))
            setLine(SerialLine::RTS, "SetRTS");
        break;
    case TypeMsgBox:
        if (contains(sendString, "MSGBOX ")) {
            PrepareLines(false, row);
            if (ShowProgramMessage() == ResultNo)
                postEvent(EvControl, WinProgram, IdPrgStop);
        }
        break;
    case TypePauseOn:
        // Also before the protocol window was ever opened: a run must not hang on this row.
        if (contains(sendString, "PAUSEON"))
            pauseOn();
        break;
    case TypeClearProt:
        if (contains(sendString, "CLEARPROT") && windowExists(WinProtocol))
            clearProtocol(false);
        break;
    case TypeBeep:
        if (upperText(sendString) == "BEEP")
            PlayBeep();
        break;
    default: break;
    }
    if (loopState.loopActive)
        PrepareLines(true, runState.currentRow + 1);
}

namespace {

// Arms the run timer so that the next row starts the interval after this tick began: what the
// tick spent on its own work, beyond the exchange's waits, comes off the interval.
void armAfter(int64_t intervalMs, int64_t tickStart, int64_t waitedBefore)
{
    int64_t work = g_get_monotonic_time() - tickStart - (waitedMicroseconds() - waitedBefore);
    int64_t ms = std::clamp<int64_t>(intervalMs - (work + 500) / 1000, 0, 600000);
    addTimer(WinProgram, TimerRun, static_cast<int>(ms));
}

} // namespace

void runnerConnectEnded()
{
    if (!runState.waitingForPort || portsConnecting())
        return;
    runState.waitingForPort = false;
    runState.openFailure = portsNotOpen(runState.openIndex);
    if (runState.running && !runState.paused)
        addTimer(WinProgram, TimerRun, runState.portWaitPause);
}

void RunTick()
{
    // A tick while an OpenPort row waits for its connects (a run resumed meanwhile) waits too.
    if (runState.waitingForPort && runState.running)
        return;
    const int64_t tickStart = g_get_monotonic_time();
    const int64_t waitedBefore = waitedMicroseconds();
    int last = rowCount(WinProgram, IdPrgList) - 1;
    // No port at all, or none opened since the start ("Close"): a port closed later is met
    // row by row, and the third refused row ends the run.
    bool noPort = currentPort < 0 || currentPort >= static_cast<PortIndex>(PortTable.size()) ||
                  controlText(WinProgram, IdPrgPortLabel) == "Close";
    if (noPort) {
        if (runState.running) {
            messageBox(WinProgram, "Quirlo",
                       currentPort == -1 ? "In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!"
                                         : "Es ist kein ComPort geöffnet!",
                       IconWarning, ButtonsOk);
            refuseRun();
        } else {
            // A stopped run whose port went away meanwhile ends here like any stopped run.
            endRun(false);
        }
        return;
    }
    // A single entry's query reads its answer before the entry's steps go on.
    if (runState.singleEntryRow != -1 && !runState.responsePending)
        stepSingleEntry(runState, last + 1, rowType);
    if (runState.currentRow > last || !runState.running) {
        endRun(runState.running && last >= 0 && runState.portErrorCount == 0);
        return;
    }
    if (runState.started) {
        highlightCurrentRow(false);
        if (runState.abortRequested)
            runState.running = false;
    } else {
        if (!PrepareLines(false, -1)) {
            runState.currentRow = last;
            refuseRun();
            return;
        }
        clearSelection(WinProgram, IdPrgList);
        runState.started = true;
        runState.portErrorCount = 0;
        runState.fault.clear();
        runState.openFailure.clear();
        protocol.lostValues = 0;
        setControlEnabled(WinProgram, IdPrgRun, false);
        setControlEnabled(WinProgram, IdPrgStop, true);
        protocolAutosave(0);
        scrollToRow(runState.currentRow);
    }
    int row = runState.currentRow;
    highlightCurrentRow(true);
    keepRowInView(row, last);
    int kind = rowType(row);
    runState.lastExecutedRow = row;
    const bool atOnce = currentPortReadsAtOnce();
    int pause = kind == TypeComment ? (atOnce ? 0 : 1) : static_cast<int>(intValue(cell(row, ColumnPause)));
    if (runState.responsePending)
        ExecuteLine(KindResponse, "");
    else
        ExecuteLine(kind, cell(row, ColumnSendString));
    if (runState.responsePending && pending.step != PendingExchange::Step::None) {
        waitForDevice(WinProgram, TimerRun, pending);
    } else if (runState.responsePending) {
        armAfter(port().settings.delayLong, tickStart, waitedBefore);
    } else if (kind == TypePauseOn) {
        return;
    } else if (runState.waitingForPort) {
        runState.portWaitPause = pause;
        ++runState.currentRow;
    } else {
        // Reading at once, the pause counts from the end of the exchange.
        if (atOnce)
            addTimer(WinProgram, TimerRun, pause);
        else
            armAfter(pause, tickStart, waitedBefore);
        ++runState.currentRow;
    }
}
