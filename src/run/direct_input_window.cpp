// The direct-input window: the send line with its history, the exchange of a line sent, and the
// monitor that reads the current port from a watch on its descriptor while no program runs.
#include "run/direct_input_window.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>

#include "common/files.h"
#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/port_exchange.h"
#include "serial/device_io.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/redraws.h"
#include "ui/shortcuts.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

constexpr int controlIds[] = {IdDirLine, IdDirSend, IdDirMonitor, IdDirTimestamps, IdDirSaveBlock};
// What one monitor tick reads at most, so that a flood leaves the windows time to be drawn.
constexpr int64_t readChunk = 512;
constexpr int64_t tickBytes = 16384;
constexpr size_t tickLines = 128;
// What the monitor reads at most when a query or a run takes its port: what waited then, and
// not a flood without end.
constexpr int64_t handOverBytes = 1 << 20;

DirectInputOptions options;
SendHistory history;

// The exchange of a line sent, and the lines typed while it waits for its answer.
struct DirectExchange {
    bool active = false;
    PortIndex port = -1;
    bool asked = false;
    PendingExchange pending;
    std::deque<std::string> waiting;
};
DirectExchange exchange;

// The monitor while it watches a port.
struct Monitor {
    PortIndex port = -1; // -1: watching none
    int descriptor = -1;
    std::optional<StreamLines> lines;
    int64_t lastByteMs = 0;
    int emptyTicks = 0; // ticks in a row that found nothing to read and nothing to end
};
Monitor monitor;

bool runHolds = false;

int64_t nowMs()
{
    return g_get_monotonic_time() / 1000;
}

const DeviceSettings& monitoredSettings()
{
    return PortTable[monitor.port].settings;
}

GtkWidget* sendLine()
{
    return controlWidget(WinDirect, IdDirLine);
}

// A protocol line opens the protocol and program windows, which take the keyboard; opened here
// first, they leave it with the send line.
void openProtocolWindows()
{
    bool recorded = protocol.protocolMode == ModeList || protocol.protocolMode == ModeTable;
    if (!recorded || currentPort < 0 || (windowVisible(WinProtocol) && windowVisible(WinProgram)))
        return;
    showWindow(WinProtocol);
    showWindow(WinProgram);
    if (windowVisible(WinDirect)) {
        gtk_window_present(GTK_WINDOW(windowWidget(WinDirect)));
        gtk_widget_grab_focus(sendLine());
    }
}

// A monitored line in the protocol: in the table each output in its column of the line's row.
void showLine(const StreamLine& line)
{
    openProtocolWindows();
    monitorAutosave(true);
    bool table = protocol.protocolMode == ModeTable;
    int row = protocol.cellRow;
    int first = protocol.cellCol;
    for (const MonitorOutput& output :
         monitoredLineOutputs(line, table, toggleState(WinDirect, IdDirTimestamps), monitoredSettings())) {
        if (table) {
            protocol.cellRow = row;
            protocol.cellCol = first + output.column;
        }
        protocolOut(output.text, output.kind, output.extra);
    }
    if (table) {
        protocol.cellRow = row + 1;
        protocol.cellCol = first;
    }
}

enum class MonitorRead { Nothing, Drained, Limited };

// Reads what the monitored port sent, at most limitBytes and about limitLines lines: whether a
// byte came, and whether the limit stopped the reading.
MonitorRead readMonitored(int64_t limitBytes, size_t limitLines)
{
    char buffer[readChunk];
    int64_t total = 0;
    size_t shown = 0;
    while (total < limitBytes && shown < limitLines) {
        int64_t count = deviceRead(monitor.port, buffer, std::min(readChunk, limitBytes - total));
        if (count <= 0)
            break;
        total += count;
        for (const StreamLine& line : monitor.lines->feed(std::string_view(buffer, static_cast<size_t>(count)),
                                                          g_get_real_time())) {
            showLine(line);
            ++shown;
        }
    }
    if (total == 0)
        return MonitorRead::Nothing;
    monitor.lastByteMs = nowMs();
    return total >= limitBytes || shown >= limitLines ? MonitorRead::Limited : MonitorRead::Drained;
}

void flushMonitored()
{
    if (monitor.lines) {
        if (std::optional<StreamLine> line = monitor.lines->flush())
            showLine(*line);
    }
}

// Stops watching; a line begun is shown as it is.
void stopMonitor()
{
    if (monitor.port < 0)
        return;
    flushMonitored();
    removeTimer(WinDirect, TimerMonitor);
    monitor = Monitor{};
}

// Reads what waits on the monitored port and stops watching: a query or a run takes it now.
void handOverMonitoredPort()
{
    if (monitor.port >= 0 && deviceIsOpen(monitor.port))
        readMonitored(handOverBytes, SIZE_MAX);
    stopMonitor();
}

// Waits for the port's next bytes; a line begun ends after the port's delayLong of silence.
void armMonitor()
{
    int limit = -1;
    if (monitor.lines->waiting())
        limit = static_cast<int>(std::clamp<int64_t>(monitor.lastByteMs + monitoredSettings().delayLong - nowMs(), 0,
                                                     600000));
    addInputWatch(WinDirect, TimerMonitor, monitor.descriptor, limit);
}

void showState()
{
    if (!controlExists(WinDirect, IdDirState))
        return;
    std::string text;
    if (runHolds)
        text = "Ein Programm läuft und nutzt den Port.";
    else if (!currentPortOpen())
        text = "Kein Port geöffnet.";
    else
        text = "Port #" + std::to_string(currentPort) + " " + PortTable[currentPort].name +
               (monitor.port >= 0 ? ", wird mitgelesen" : "") + (exchange.active ? ", wartet auf Antwort" : "");
    setControlText(WinDirect, IdDirState, text);
}

// Watches the current port when the monitor is on and nothing else holds the port.
void followPort()
{
    bool wanted = windowExists(WinDirect) && toggleState(WinDirect, IdDirMonitor) && !runHolds && !exchange.active &&
                  currentPortOpen() && !deviceLost(currentPort);
    int descriptor = wanted ? deviceDescriptor(currentPort) : -1;
    if (!wanted || monitor.port != currentPort || monitor.descriptor != descriptor)
        stopMonitor();
    // The monitor's autosave file lasts while the monitor is on, across queries in between.
    if (!windowExists(WinDirect) || !toggleState(WinDirect, IdDirMonitor))
        monitorAutosave(false);
    if (wanted && monitor.port < 0) {
        monitor.port = currentPort;
        monitor.descriptor = descriptor;
        monitor.lines.emplace(PortTable[currentPort].settings);
        armMonitor();
    }
    showState();
}

void sendNow(const std::string& line)
{
    handOverMonitoredPort();
    openProtocolWindows();
    const DeviceSettings& settings = PortTable[currentPort].settings;
    std::string text = settings.sendAsIs ? line : upperText(line);
    exchange.active = true;
    exchange.port = currentPort;
    exchange.asked = !text.empty();
    startCurrentExchange(exchange.pending, beginQuery, exchangeQuery, text);
    if (exchange.pending.step != PendingExchange::Step::None)
        waitForDevice(WinDirect, TimerDirect, exchange.pending);
    else
        addTimer(WinDirect, TimerDirect, static_cast<int>(std::clamp<int64_t>(settings.delayLong, 0, 600000)));
    showState();
}

// The exchange is over: the next line typed meanwhile goes out, or the monitor goes on.
void exchangeDone()
{
    removeTimer(WinDirect, TimerDirect);
    exchange.active = false;
    exchange.pending = PendingExchange{};
    if (!exchange.waiting.empty()) {
        std::string line = exchange.waiting.front();
        exchange.waiting.pop_front();
        if (currentPortOpen()) {
            sendNow(line);
            return;
        }
        exchange.waiting.clear();
    }
    followPort();
}

void setEnabled(bool enabled)
{
    for (int id : controlIds)
        setControlEnabled(WinDirect, id, enabled);
}

} // namespace

DirectInputOptions& directInputOptions()
{
    return options;
}

void storeDirectInputOptions()
{
    if (!windowExists(WinDirect))
        return;
    options.open = windowVisible(WinDirect);
    options.timestamps = toggleState(WinDirect, IdDirTimestamps);
    options.history = history.lines();
}

namespace {

// Up and Down walk the lines sent while the send line or its button has the keyboard. The
// window hears a key before its focused control, which would take these for itself (the line
// for its cursor, the button for moving the focus); accelerators come only after that.
gboolean onDirectKey(GtkWidget*, GdkEventKey* event, gpointer)
{
    bool arrow = event->keyval == GDK_Up || event->keyval == GDK_Down;
    if (!arrow || (event->state & gtk_accelerator_get_default_mod_mask()))
        return FALSE;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(windowWidget(WinDirect)));
    if (focus != sendLine() && focus != controlWidget(WinDirect, IdDirSend))
        return FALSE;
    postEvent(EvMenu, WinDirect, event->keyval == GDK_Up ? MenuDirUp : MenuDirDown);
    return TRUE;
}

} // namespace

void createDirectInputWindow()
{
    GtkWidget* widget = createWindowFrame(WinDirect);
    if (options.placeKnown) {
        gtk_window_move(GTK_WINDOW(widget), options.x, options.y);
        gtk_window_set_default_size(GTK_WINDOW(widget), options.width, options.height);
    }
    history.assign(options.history);
    GtkWidget* fixed = windowFixed(WinDirect);
    putLabel(fixed, "Senden:", 5, 8, 55);
    GtkWidget* line = putField(fixed, WinDirect, IdDirLine, "", 65, 8, 350, "Sendet die Zeile an den aktuellen Port =[Return]");
    connectControlEvent(line, "activate", WinDirect, IdDirLine, CtlActivate);
    putButton(fixed, WinDirect, IdDirSend, "Senden", 420, 7, 90, 26, false);
    gtk_widget_set_tooltip_text(controlWidget(WinDirect, IdDirSend), "Sendet die Zeile an den aktuellen Port =[Return]");
    GtkWidget* monitorButton =
        putControl(fixed, WinDirect, IdDirMonitor, gtk_toggle_button_new_with_label("Mitlesen"), 65, 42, 100, 26);
    gtk_widget_set_tooltip_text(monitorButton, "Zeigt alles, was der Port sendet, solange kein Programm läuft");
    connectControlEvent(monitorButton, "toggled", WinDirect, IdDirMonitor, CtlPlain);
    putCheck(fixed, WinDirect, IdDirTimestamps, "Zeitstempel", 175, 43, 120, options.timestamps,
             "Mitgelesene Zeilen bekommen ihre Ankunftszeit (hh:mm:ss.mmm) in der letzten Protokollspalte");
    putButton(fixed, WinDirect, IdDirSaveBlock, "Block sichern...", 380, 42, 130, 26, false);
    gtk_widget_set_tooltip_text(controlWidget(WinDirect, IdDirSaveBlock),
                                "Sichert die Bytes des letzten Binärblocks (#<n><Länge><Bytes>), den der Port "
                                "empfangen hat, in eine Datei");
    GtkWidget* state = putControl(fixed, WinDirect, IdDirState, gtk_label_new(""), 5, 78, 510, 24);
    gtk_misc_set_alignment(GTK_MISC(state), 0.0f, 0.5f);
    registerShortcuts(WinDirect);
    g_signal_connect(widget, "key-press-event", G_CALLBACK(onDirectKey), nullptr);
    // A window opened during a run waits for its end like one opened before.
    setEnabled(!runHolds);
    showState();
}

void saveLastBlock()
{
    bool portThere = currentPort >= 0 && currentPort < static_cast<PortIndex>(PortTable.size());
    const std::optional<std::string>* block = portThere ? &PortTable[currentPort].lastBlock : nullptr;
    if (!block || !*block) {
        messageBox(WinDirect, "Quirlo", "Der Port hat noch keinen Binärblock empfangen.", IconInfo, ButtonsOk);
        return;
    }
    std::string path = fileDialog(WinDirect, true, "Quirlo speichern: Datei für den Binärblock wählen",
                                  "Alle Dateien (*)|*", logDir);
    if (path.empty())
        return;
    if (fileExists(path) && messageBox(WinDirect, "Quirlo", "Datei existiert bereits!\nÜberschreiben?", IconQuestion,
                                       ButtonsYesNo) != ResultYes)
        return;
    std::string reason;
    if (!writeFileAtomic(path, **block, &reason))
        messageBox(WinDirect, "Quirlo", notSavedText(path, reason), IconWarning, ButtonsOk);
}

void relayoutDirectInputWindow()
{
    auto [width, height] = innerSize(WinDirect);
    placeControl(WinDirect, IdDirLine, keepValue, keepValue, std::max(width - 170, 100), keepValue);
    placeControl(WinDirect, IdDirSend, std::max(width - 100, 170), keepValue, keepValue, keepValue);
    placeControl(WinDirect, IdDirSaveBlock, std::max(width - 140, 300), keepValue, keepValue, keepValue);
    placeControl(WinDirect, IdDirState, keepValue, keepValue, width - 10, keepValue);
}

void openDirectInput()
{
    showWindow(WinDirect);
    gtk_window_present(GTK_WINDOW(windowWidget(WinDirect)));
    gtk_widget_grab_focus(sendLine());
}

void closeDirectInput()
{
    hideWindow(WinDirect);
    setToggleState(WinDirect, IdDirMonitor, false);
    followPort();
}

void sendDirectLine()
{
    if (runHolds || !controlExists(WinDirect, IdDirLine))
        return;
    if (!currentPortOpen()) {
        showPortNotOpen(WinDirect);
        return;
    }
    std::string line = controlText(WinDirect, IdDirLine);
    history.add(line);
    setControlText(WinDirect, IdDirLine, "");
    if (exchange.active)
        exchange.waiting.push_back(line);
    else
        sendNow(line);
}

void walkSendHistory(bool up)
{
    if (!controlExists(WinDirect, IdDirLine))
        return;
    setControlText(WinDirect, IdDirLine, up ? history.back(controlText(WinDirect, IdDirLine)) : history.forward());
    gtk_editable_set_position(GTK_EDITABLE(sendLine()), -1);
}

void monitorSwitched()
{
    followPort();
}

void directAnswerTick()
{
    if (!exchange.active)
        return;
    if (exchange.port != currentPort || !currentPortOpen()) {
        directInputPortChanged();
        return;
    }
    bool waiting = false;
    exchangeWithCurrentPort([&](Exchange& current) {
        if (exchange.pending.step == PendingExchange::Step::None)
            exchangeAnswer(current, exchange.asked);
        else
            waiting = continueExchange(current, exchange.pending) == ExchangeState::Waiting;
    });
    if (waiting)
        waitForDevice(WinDirect, TimerDirect, exchange.pending);
    else
        exchangeDone();
}

void monitorTick()
{
    if (monitor.port < 0 || monitor.port != currentPort || !deviceIsOpen(monitor.port)) {
        followPort();
        return;
    }
    bool waited = monitor.lines->waiting();
    MonitorRead read = readMonitored(tickBytes, tickLines);
    bool came = read != MonitorRead::Nothing;
    if (!came && waited && nowMs() >= monitor.lastByteMs + monitoredSettings().delayLong)
        flushMonitored();
    monitor.emptyTicks = came || waited ? 0 : monitor.emptyTicks + 1;
    // A device that hung up: its own watch closes the port.
    if (deviceLost(monitor.port)) {
        stopMonitor();
        showState();
    } else if (monitor.emptyTicks >= 3) {
        // A descriptor that reports a state without bytes again and again must not spin the
        // loop: the watch starts again a tenth of a second later.
        monitor.emptyTicks = 0;
        addInputWatch(WinDirect, TimerMonitor, -1, 100);
    } else if (read == MonitorRead::Drained) {
        // A stream is read once a frame, when its lines are drawn anyway: the loop wakes ten
        // times a second, not at every line. A port that still holds more is read on at once.
        addInputWatch(WinDirect, TimerMonitor, -1, static_cast<int>(streamFrameMs));
    } else {
        armMonitor();
    }
}

void directInputRunStarted()
{
    runHolds = true;
    if (exchange.active) {
        // The line's answer may still come: the run's first line waits for it and drops it.
        if (exchange.asked && exchange.port >= 0 && exchange.port < static_cast<PortIndex>(PortTable.size()))
            PortTable[exchange.port].answerOwed = true;
        // Lines typed ahead are not sent into a run; the protocol says so, the history keeps them.
        for (const std::string& line : exchange.waiting)
            protocolOut("Nicht gesendet:\n" + line, -1, "Programmlauf begann");
        exchange.waiting.clear();
        exchangeDone();
    }
    handOverMonitoredPort();
    setEnabled(false);
    showState();
}

void directInputRunEnded()
{
    runHolds = false;
    setEnabled(true);
    followPort();
}

void directInputPortChanged()
{
    // A line's answer is not awaited from a port that closed or is no longer current: the
    // watch on its descriptor goes at once.
    if (exchange.active && (exchange.port != currentPort || !currentPortOpen())) {
        exchange.waiting.clear();
        exchangeDone();
    }
    followPort();
}
