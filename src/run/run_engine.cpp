// The program run: one row per tick against the current port, with the counting loop, the
// single-entry run, the device's answers and error queries.
#include "run/run_engine.h"

#include <algorithm>

#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_state.h"
#include "run/run_steps.h"
#include "serial/port_table.h"

namespace {

const char* const loopTitle = "Quirlo - Kommandocheck";

bool contains(const std::string& text, const char* keyword)
{
    return upperText(text).find(keyword) != std::string::npos;
}

// How long a run waits for the current port's device to come back; -1: the run ends at once.
int64_t lossWaitSeconds()
{
    if (currentPort < 0)
        return -1;
    if (reconnectSeconds >= 0)
        return reconnectSeconds;
    const DeviceSettings& settings = PortTable[currentPort].settings;
    return settings.onLoss != 0 ? std::max<int64_t>(settings.lossWait, 0) : -1;
}

std::string portName()
{
    return "#" + std::to_string(currentPort) + " " + PortTable[currentPort].name;
}

} // namespace

std::string RunEngine::cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(program.size()))
        return "";
    const ProgramRow& cells = program[static_cast<size_t>(row)];
    switch (column) {
    case ColumnType: return cells.type;
    case ColumnCommand: return cells.blank;
    case ColumnPause: return cells.pause;
    case ColumnParameters: return cells.parameters;
    default: return cells.sendString;
    }
}

int RunEngine::rowType(int row) const
{
    return static_cast<int>(intValue(cell(row, ColumnType)));
}

std::string RunEngine::rowPause(int row) const
{
    return cell(row, ColumnPause);
}

void RunEngine::prepare(int row, bool quiet)
{
    if (row >= 0 && row < static_cast<int>(program.size()))
        program[static_cast<size_t>(row)] = host.prepareRow(row, quiet);
}

// The Loop and LoopEnd rows, and the end of a loop with the run, as the user sees them.
void RunEngine::endLoop(bool atRunEnd)
{
    switch (endLoopStep(loop, run, atRunEnd)) {
    case LoopEnd::Free:
        host.warn(loopTitle, "Es sind keine doppelten oder freien Schleifenenden erlaubt!\nProgrammabbruch");
        run.running = false;
        break;
    case LoopEnd::Finished: host.showRow(-1); break;
    case LoopEnd::Repeat: break;
    }
}

void RunEngine::beginLoop()
{
    switch (startLoop(loop, run.currentRow, cell(run.currentRow, ColumnParameters))) {
    case LoopStart::Nested:
        host.warn(loopTitle, "Es sind keine verschachtelten Schleifen oder\nfreien Schleifenteile erlaubt!\nProgrammabbruch");
        run.running = false;
        break;
    case LoopStart::BadParameters: host.warn(loopTitle, "Schleifenparameter nicht korrekt!"); break;
    case LoopStart::BeyondRange: host.warn(loopTitle, "Schleifenende >= 65535 ist außerhalb des Bereiches!"); break;
    case LoopStart::Started:
    case LoopStart::Again: break;
    }
}

// A run refused before its first row.
void RunEngine::refuse()
{
    run.running = false;
    run.abortRequested = false;
    forgetRun(run);
    host.refused();
    tellRunEnded(false);
}

// What the run lost beyond its first exchange fault: values without a cell, a port that an
// OpenPort row left closed.
void RunEngine::noteEndFaults()
{
    std::vector<std::string> faults;
    if (!run.fault.empty())
        faults.push_back(run.fault);
    if (protocol.lostValues > 0)
        faults.push_back("Messtabelle voll: " + std::to_string(protocol.lostValues) + " Werte ohne Zelle (max. Zeilen " +
                         std::to_string(protocol.maxRows) + ", max. Spalten " + std::to_string(protocol.maxCols) +
                         ")");
    if (!run.openFailure.empty())
        faults.push_back("OpenPort: " + run.openFailure);
    run.fault = joinText(faults, "; ");
}

void RunEngine::endRun(bool completed)
{
    if (run.awaitingReturn)
        host.awaitPortEnded();
    noteEndFaults();
    host.ending();
    run.currentRow = 0;
    run.running = false;
    forgetRun(run);
    if (protocol.protocolMode == ModeDebug)
        host.protocolLine("*** Ende ***", -1, "");
    endLoop(true);
    host.ended();
    tellRunEnded(completed);
}

// A row refused because the port is not open; the third refusal of a run ends it. A device
// that went away ends the run at once, with one message that says so.
void RunEngine::refuseClosedPort()
{
    const std::string& lost = currentPort >= 0 ? PortTable[currentPort].lostWhy : std::string();
    if (!lost.empty() && awaitReturn(false, lost))
        return;
    if (!lost.empty()) {
        host.warn("Quirlo", lost + "\nProgrammlauf wird abgebrochen!");
        run.running = false;
        ++run.portErrorCount;
    } else if (run.portErrorCount == 2) {
        host.warn("Quirlo", "Dauerhafter Portfehler!\nProgrammlauf wird abgebrochen!");
        run.running = false;
    } else {
        host.showPortNotOpen();
        ++run.portErrorCount;
    }
}

// Whether the current port's device went away since the run last looked, also where the port
// came back before it looked; the run has looked now.
bool RunEngine::unseenLoss()
{
    if (currentPort < 0)
        return false;
    int64_t losses = PortTable[currentPort].losses;
    bool unseen = run.lossPort == currentPort && losses != run.lossesSeen;
    run.lossPort = currentPort;
    run.lossesSeen = losses;
    return unseen;
}

// The device went away during the current row (cut: the row was under way) or before it: with a
// wait for its return, the run waits, says why and since when, and runs the row (again) when the
// port is back.
bool RunEngine::awaitReturn(bool cut, const std::string& why)
{
    int64_t seconds = lossWaitSeconds();
    if (seconds < 0 || run.returnWaitOver)
        return false;
    unseenLoss();
    run.awaitingReturn = true;
    run.rowCut = cut;
    run.responsePending = false;
    pending = PendingExchange{};
    run.lostAtMs = host.nowMs();
    run.backSinceMs = -1;
    run.returnDeadline = run.lostAtMs + seconds * 1000;
    std::string lost = why.empty() ? "Verbindung zu " + portName() + " verloren" : why;
    std::string row = "Programmzeile " + std::to_string(run.currentRow + 1);
    std::string note = lost + " um " + host.timeOfDay() + "; " + row + " wartet höchstens " + std::to_string(seconds) +
                       " s auf die Rückkehr";
    if (protocol.protocolMode != ModeTable)
        host.protocolLine("Warten\n\n\n" + note, -1, "");
    tellRunNote(note);
    host.awaitPort(lost + "\nseit " + host.timeOfDay() + ".\n\nDer Programmlauf wartet höchstens " +
                   std::to_string(seconds) + " s auf die Rückkehr des Geräts und " +
                   (cut ? "wiederholt dann " + row : "fährt dann mit " + row + " fort") + ".");
    return true;
}

// A loss the run did not meet in an exchange: the device went and perhaps came back between two
// ticks. An answer the row waited for cannot come any more (what the port has now is not its
// answer); the run waits for the port, or ends with the loss's message.
bool RunEngine::metUnseenLoss()
{
    if (!unseenLoss())
        return false;
    bool cut = run.responsePending;
    if (cut && run.querySent)
        host.exchange(writeLostAnswer);
    run.responsePending = false;
    pending = PendingExchange{};
    const PortEntry& entry = PortTable[currentPort];
    if (!awaitReturn(cut, entry.lastLoss)) {
        host.warn("Quirlo", entry.lastLoss + "\nProgrammlauf wird abgebrochen!");
        run.running = false;
        ++run.portErrorCount;
    }
    return true;
}

// The port is open again and its device there. What came on it meanwhile is dropped, so that
// it is never taken for the repeated row's answer, and a peer that closed after it is seen.
bool RunEngine::portBackNow()
{
    bool back = false;
    if (currentPortOpen()) {
        host.exchange([&back](Exchange& exchange) {
            exchange.port.discardInput();
            back = !exchange.port.lost();
        });
    }
    return back;
}

// A row whose exchange the device's loss cut short: nothing came of it, or its line did not go
// out. It waits for the port when the run may.
bool RunEngine::interrupted(Exchange& exchange, ExchangeState state)
{
    return exchange.port.lost() && (state == ExchangeState::Unanswered || state == ExchangeState::Cut ||
                                     exchange.entry.unsent) && awaitReturn(true, exchange.entry.lostWhy);
}

// The program message of a MsgBox row: "MsgBox <text>,<icon>".
bool RunEngine::programMessageDeclined()
{
    std::string send = cell(run.currentRow, ColumnSendString);
    if (std::count(send.begin(), send.end(), ',') != 1) {
        host.inform("Quirlo", "2 Parameter nötig: \n<Dialogtext>;<Icontyp>");
        return false;
    }
    size_t comma = send.find(',');
    std::string text = comma > 7 ? send.substr(7, comma - 7) : "";
    int64_t icon = intValue(send.substr(comma + 1));
    if (text.empty() || icon < 0 || icon > 2)
        return false;
    // The message dialog shows the text as it is.
    return host.declined(text, static_cast<int>(icon));
}

// Reads the answer of the last query, or goes on with the exchange that waits for the device.
void RunEngine::readAnswer()
{
    int row = run.currentRow;
    host.exchange([&](Exchange& exchange) {
        ExchangeState state = pending.step == PendingExchange::Step::None ? exchangeAnswer(exchange, run.querySent)
                                                                            : continueExchange(exchange, pending);
        if (state == ExchangeState::Waiting || interrupted(exchange, state))
            return;
        // The first fault of the run: a query without answer, or an answer that was cut.
        std::string line = std::to_string(row + 1);
        if (state == ExchangeState::Unanswered)
            noteRunFault("Keine Antwort auf die Abfrage in Programmzeile " + line);
        else if (state == ExchangeState::Cut)
            noteRunFault("Antwort abgeschnitten in Programmzeile " + line);
        run.responsePending = false;
    });
}

void RunEngine::execute(int kind, const std::string& sendString)
{
    int row = run.currentRow;
    std::string parameters = cell(row, ColumnParameters);
    if (kind == TypeOpenPort && contains(sendString, "OPENPORT")) {
        run.openIndex = host.openPorts(parameters);
        run.waitingForPort = host.portsConnecting();
        if (!run.waitingForPort)
            run.openFailure = host.portsNotOpen(run.openIndex);
    } else if (kind == TypeClosePort && contains(sendString, "CLOSEPORT")) {
        host.closePorts(parameters);
    } else if (kind == TypeChangePort && contains(sendString, "CHANGEPORT ")) {
        host.changePort(parameters);
    }

    if (lineTypeNeedsPort(kind) && !currentPortOpen()) {
        refuseClosedPort();
        return;
    }
    auto send = [&](void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                    void (*withFixedWaits)(Exchange&, const std::string&)) {
        host.exchange([&](Exchange& exchange) {
            startExchange(exchange, pending, atOnce, withFixedWaits, sendString);
            interrupted(exchange, ExchangeState::Done);
        });
    };
    switch (kind) {
    case TypeCommand:
        send(beginCommand, exchangeCommand);
        run.responsePending = pending.step != PendingExchange::Step::None;
        break;
    case TypeQuery:
        send(beginQuery, exchangeQuery);
        run.responsePending = !run.awaitingReturn;
        run.querySent = !sendString.empty();
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
            prepare(row, false);
            if (host.internalLines())
                host.protocolLine("CellPos\n\n\n" + cell(row, ColumnSendString), -1, "");
        }
        break;
    case TypeWrite:
        if (contains(sendString, "WRITE ")) {
            prepare(row, false);
            std::string text = cell(row, ColumnSendString);
            std::string value = text.size() > 6 ? text.substr(6) : "";
            if (host.internalLines())
                host.protocolLine("Write\n\n\n" + value, TypeWrite, "");
            else if (protocol.protocolMode == ModeTable)
                host.protocolLine(value, TypeWrite, "");
        }
        break;
    case TypeSetDTR:
    case TypeSetRTS:
        if (contains(sendString, kind == TypeSetDTR ? "SETDTR " : "SETRTS ")) {
            prepare(row, false);
            std::string parameter = cell(row, ColumnParameters);
            host.setLine(kind == TypeSetDTR ? SerialLine::DTR : SerialLine::RTS, parameter);
            if (host.internalLines())
                host.protocolLine(std::string(kind == TypeSetDTR ? "SetDTR" : "SetRTS") + "\n" + parameter, TypeSetDTR,
                                  "");
        }
        break;
    case TypeMsgBox:
        if (contains(sendString, "MSGBOX ")) {
            prepare(row, false);
            if (programMessageDeclined())
                host.stop();
        }
        break;
    case TypePauseOn:
        // Also before the protocol window was ever opened: a run must not hang on this row.
        if (contains(sendString, "PAUSEON")) {
            prepare(row, false);
            host.pause(cell(row, ColumnParameters));
        }
        break;
    case TypeClearProt:
        if (contains(sendString, "CLEARPROT"))
            host.clearProtocol();
        break;
    case TypeBeep:
        if (upperText(sendString) == "BEEP")
            host.beep();
        break;
    default: break;
    }
    if (loop.loopActive)
        prepare(run.currentRow + 1, true);
}

RunNext RunEngine::tick()
{
    // A tick while an OpenPort row waits for its connects (a run resumed meanwhile) waits too.
    if (run.waitingForPort && run.running)
        return {RunNext::Kind::WaitForPort, 0};
    if (!run.started)
        program = host.rows();
    int last = static_cast<int>(program.size()) - 1;
    // No port at all, or none opened since the start ("Close"): a port closed later is met
    // row by row, and the third refused row ends the run.
    RunHost::PortChoice choice = host.portChoice();
    if (choice != RunHost::PortChoice::Chosen) {
        if (run.running) {
            host.warn("Quirlo", choice == RunHost::PortChoice::None
                                    ? "In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!"
                                    : "Es ist kein ComPort geöffnet!");
            refuse();
        } else {
            // A stopped run whose port went away meanwhile ends here like any stopped run.
            endRun(false);
        }
        return {};
    }
    if (run.awaitingReturn && run.running) {
        int64_t now = host.nowMs();
        bool back = portBackNow();
        if (!back)
            run.backSinceMs = -1;
        else if (run.backSinceMs < 0)
            run.backSinceMs = now;
        int64_t settled = run.backSinceMs + returnSettleMs;
        if (back && now < settled)
            return {RunNext::Kind::WaitForReturn, settled - now};
        if (!back && now < run.returnDeadline)
            return {RunNext::Kind::WaitForReturn, run.returnDeadline - now};
        run.awaitingReturn = false;
        run.returnWaitOver = !back;
        if (back) {
            // The losses until now are this wait's.
            unseenLoss();
            std::string row = "Programmzeile " + std::to_string(run.currentRow + 1);
            std::string note = portName() + " wieder verbunden um " + host.timeOfDay() + " (nach " +
                               std::to_string((host.nowMs() - run.lostAtMs + 500) / 1000) + " s); " +
                               (run.rowCut ? row + " wird wiederholt" : "weiter mit " + row);
            if (protocol.protocolMode != ModeTable)
                host.protocolLine(std::string(run.rowCut ? "Wiederholung" : "Weiter") + "\n\n\n" + note, -1, "");
            tellRunNote(note);
        }
        host.awaitPortEnded();
    }
    // A single entry's query reads its answer before the entry's steps go on.
    if (run.singleEntryRow != -1 && !run.responsePending)
        stepSingleEntry(run, last + 1, [this](int row) { return rowType(row); });
    if (run.currentRow > last || !run.running) {
        endRun(run.running && last >= 0 && run.portErrorCount == 0);
        return {};
    }
    if (run.started) {
        host.showRow(-1);
        if (run.abortRequested)
            run.running = false;
    } else {
        if (!host.checkProgram()) {
            run.currentRow = last;
            refuse();
            return {};
        }
        program = host.rows();
        run.started = true;
        run.portErrorCount = 0;
        run.fault.clear();
        run.openFailure.clear();
        protocol.lostValues = 0;
        host.started(run.currentRow);
    }
    int row = run.currentRow;
    host.showRow(row);
    int kind = rowType(row);
    run.lastExecutedRow = row;
    const bool atOnce = currentPortReadsAtOnce();
    int pause = kind == TypeComment ? (atOnce ? 0 : 1) : static_cast<int>(intValue(cell(row, ColumnPause)));
    bool lossMet = (run.responsePending || lineTypeNeedsPort(kind)) && metUnseenLoss();
    if (!lossMet && run.responsePending)
        readAnswer();
    else if (!lossMet)
        execute(kind, cell(row, ColumnSendString));
    if (run.awaitingReturn)
        return {RunNext::Kind::WaitForReturn, run.returnDeadline - host.nowMs()};
    // Without a wait, the run ends at its next tick.
    if (lossMet)
        return {RunNext::Kind::AfterMs, 0};
    if (run.responsePending && pending.step != PendingExchange::Step::None)
        return {RunNext::Kind::WaitForDevice, 0};
    if (run.responsePending)
        return {RunNext::Kind::AfterPause, PortTable[currentPort].settings.delayLong};
    if (kind == TypePauseOn)
        return {};
    ++run.currentRow;
    if (run.waitingForPort) {
        run.portWaitPause = pause;
        return {RunNext::Kind::WaitForPort, 0};
    }
    // Reading at once, the pause counts from the end of the exchange.
    return {atOnce ? RunNext::Kind::AfterMs : RunNext::Kind::AfterPause, pause};
}

int64_t RunEngine::resume()
{
    run.paused = false;
    if (!run.started)
        return startIntervalMs;
    int row = run.lastExecutedRow;
    if (rowType(row) == TypePauseOn)
        ++run.currentRow;
    return intValue(cell(row, ColumnPause));
}

int64_t RunEngine::connectsEnded()
{
    if (!run.waitingForPort || host.portsConnecting())
        return -1;
    run.waitingForPort = false;
    run.openFailure = host.portsNotOpen(run.openIndex);
    return run.running && !run.paused ? run.portWaitPause : -1;
}
