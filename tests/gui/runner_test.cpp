// Whole programs run against the simulated instrument, read back from the protocol.
#include "gui/harness.h"

#include <glib.h>
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "app/settings_ini.h"

#include "common/background_saves.h"
#include "common/files.h"
#include "common/line_types.h"
#include "common/text.h"
#include "diagram/diagram_window.h"
#include "protocol/protocol_export.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/direct_input_window.h"
#include "run/run_state.h"
#include "serial/device_io.h"
#include "serial/device_settings.h"
#include "serial/loopback.h"
#include "serial/path_watch.h"
#include "serial/port_commands.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/redraws.h"
#include "ui/shortcuts.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

class Runner : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        startInstrument();
        send(EvControl, WinMain, IdMainProgramButton);
        send(EvControl, WinMain, IdMainProtocolButton);
        openInstrumentPort();
    }
    void TearDown() override
    {
        stopInstrument();
        QuirloTest::TearDown();
    }

    void startInstrument(std::vector<const char*> options = {})
    {
        std::vector<const char*> argv = {QUIRLO_SIM_INSTRUMENT};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(nullptr);
        gint out = -1;
        ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv.data()), nullptr,
                                             G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &instrument, nullptr,
                                             &out, nullptr, nullptr));
        GIOChannel* channel = g_io_channel_unix_new(out);
        gchar* line = nullptr;
        g_io_channel_read_line(channel, &line, nullptr, nullptr, nullptr);
        ASSERT_NE(line, nullptr);
        device = g_strstrip(line);
        g_free(line);
        g_io_channel_shutdown(channel, FALSE, nullptr);
        g_io_channel_unref(channel);
    }
    void stopInstrument()
    {
        if (instrument > 0) {
            kill(instrument, SIGTERM);
            waitpid(instrument, nullptr, 0);
            g_spawn_close_pid(instrument);
            instrument = 0;
        }
    }
    void openInstrumentPort()
    {
        deviceClose(0);
        portCount = 1;
        PortEntry& entry = PortTable[0];
        entry = PortEntry{};
        entry.name = device;
        entry.configured = 1;
        entry.settings.baud = 9600;
        entry.settings.dataBits = 8;
        entry.settings.outTerminator = "\r\n";
        entry.settings.inTerminator = "\r\n";
        // The answers are waited for, not timed: a loaded machine gives them the time they take.
        entry.settings.readAtOnce = 1;
        entry.settings.delayLong = 5000;
        entry.settings.delayShort = 10;
        entry.settings.delayErr = 5000;
        entry.settings.inRetry = 3;
        currentPort = 0;
        portOpen(0);
        ASSERT_TRUE(entry.isOpen);
        clearProtocol(false);
    }

    void row(int type, const std::string& blank, const std::string& parameters = "", const std::string& pause = "10")
    {
        insertRow(WinProgram, IdPrgList, -1, {std::to_string(type), blank, pause, parameters, ""});
    }
    // Adds the port on the settings page as a user does; the port number it shows afterwards.
    int64_t addPort(const std::string& name)
    {
        setControlText(WinSettings, IdSetAddPortField, name);
        send(EvControl, WinSettings, IdSetAddPort);
        pumpUntilIdle();
        return intValue(controlText(WinSettings, IdSetPortNumber));
    }
    // Adds tcp:127.0.0.1:PORT with the demo's settings in place of port 0's terminal, applies
    // them and waits for the connection; its port number, -1 when it did not open.
    int64_t openNetworkPort(int port)
    {
        deviceClose(0);
        int64_t index = addPort("tcp:127.0.0.1:" + std::to_string(port));
        if (!loadSettingsFrom(QUIRLO_EXAMPLES "/demo.set"))
            return -1;
        send(EvControl, WinSettings, IdSetApplyPort);
        return pumpUntil([&] { return PortTable[index].isOpen != 0; }) ? index : -1;
    }
    // Opens port 0 under another name (an instrument on the network) with its settings.
    void openPortNamed(const std::string& name)
    {
        PortTable[0].name = name;
        portOpen(0);
        ASSERT_TRUE(pumpUntil([] { return !portsConnecting(); }));
        ASSERT_TRUE(PortTable[0].isOpen);
        clearProtocol(false);
    }
    // Runs the program to its end, handling the real timer's ticks as they come.
    void run()
    {
        send(EvControl, WinProgram, IdPrgRun);
        ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    }
    // The protocol's list lines, their columns 1 and 3 joined by "|".
    std::vector<std::string> lines()
    {
        std::vector<std::string> result;
        for (int r = 0; r < rowCount(WinProtocol, IdPtkList); ++r)
            result.push_back(cellText(WinProtocol, IdPtkList, r, 0) + "|" + cellText(WinProtocol, IdPtkList, r, 1) +
                             "|" + cellText(WinProtocol, IdPtkList, r, 3));
        return result;
    }

    GPid instrument = 0;
    std::string device;
};

} // namespace

TEST_F(Runner, CommandsQueriesAndTheErrorQueryAfterABadCommand)
{
    PortTable[0].settings.errQuery = 1;
    row(0, "*RST");
    row(1, "*IDN?");
    row(0, "VOLT <f>", "5.5");
    row(1, "VOLT?");
    row(0, "VOLT <f>", "99");
    row(0, "BLA");
    run();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Comnd:|*RST|",
                           "Query:|*IDN?|",
                           "Return:|QUIRLO,SIM-PS1,0001,1.0|",
                           "Comnd:|VOLT 5.5|",
                           "Query:|VOLT?|",
                           "Return:|5.5000|",
                           // The error line goes to column 3 of the command's line, after its column 0.
                           "Comnd:|VOLT 99|Comnd:Err-#: '%10000' = -222,Data out of range+ Hardw.-Err.: 0",
                           "Comnd:|BLA|Comnd:Err-#: '%100000' = -100,Command error+ Hardw.-Err.: 0",
                       }));
    // Beside each line the pause of its row, beside an answer the port's "vor Antwort".
    EXPECT_EQ(cellText(WinProtocol, IdPtkList, 0, 2), "10");
    EXPECT_EQ(cellText(WinProtocol, IdPtkList, 2, 2), controlText(WinSettings, IdSetDelayLong));
    EXPECT_TRUE(controlEnabled(WinProgram, IdPrgRun));
    EXPECT_FALSE(controlEnabled(WinProgram, IdPrgStop));
}

// While a message box waits, its own loop runs whatever is due: the run timer must not be
// among it, however long the user takes (here: until a time-out five times the rows' pause).
TEST_F(Runner, NoTickComesWhileAMessageBoxWaits)
{
    row(0, "*CLS");
    row(14, "MsgBox <s>,<i>", "Weiter?;1");
    row(0, "*RST");
    int dialogs = 0;
    bool tickDuringDialog = false;
    setMessageResponder([&](const MessageRequest&) {
        ++dialogs;
        bool answered = false;
        g_timeout_add(50, [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        }, &answered);
        while (!answered)
            g_main_context_iteration(nullptr, TRUE);
        tickDuringDialog = tickDuringDialog || eventQueued(EvTimer, WinProgram, TimerRun);
        return static_cast<int>(ResultYes);
    });
    run();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(tickDuringDialog);
    EXPECT_EQ(lines(), (std::vector<std::string>{"Comnd:|*CLS|", "Comnd:|*RST|"}));
}

TEST_F(Runner, AutosaveWritesDuringTheRunAndAtItsEnd)
{
    autosaveMinuteMs = 20;
    ASSERT_EQ(g_mkdir_with_parents(logDir.c_str(), 0700), 0);
    setToggleState(WinSettings, IdSetAutosave, true);
    setControlText(WinSettings, IdSetAutosaveInterval, "0");
    // The run holds at its PauseOn row until the test resumes it: the first write comes during
    // the run however slowly the machine goes.
    for (int i = 0; i < 6; ++i) {
        row(1, "*IDN?", "", "100");
        if (i == 2)
            insertRow(WinProgram, IdPrgList, -1, {"15", "PauseOn <s>", "10", "Weiter", "PauseOn Weiter"});
    }
    send(EvControl, WinProgram, IdPrgRun);
    std::string name;
    // While a write is under way the field says so.
    ASSERT_TRUE(pumpUntil([&] { return g_str_has_prefix((name = controlText(WinProtocol, IdPtkFileField)).c_str(), "QZ"); }));
    ASSERT_TRUE(g_str_has_prefix(name.c_str(), "QZ") && g_str_has_suffix(name.c_str(), ".log")) << name;
    // An interval of 0 minutes counts as one.
    EXPECT_EQ(controlText(WinSettings, IdSetAutosaveInterval), "1");
    EXPECT_EQ(timerInterval(WinProtocol, TimerAutosave), 20);
    std::string bytes;
    ASSERT_TRUE(pumpUntil([&] { return readWholeFile(logDir + name, bytes) && !bytes.empty(); }));
    EXPECT_TRUE(runState.running);
    ASSERT_TRUE(pumpUntil([] { return windowExists(WinPauseInfo); }));
    send(EvClose, WinPauseInfo, 0);
    ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    EXPECT_FALSE(timerActive(WinProtocol, TimerAutosave));
    finishBackgroundSaves();
    ASSERT_TRUE(readWholeFile(logDir + name, bytes));
    EXPECT_EQ(bytes, listLogText(protocolRows(), false));
    EXPECT_EQ(lines().size(), 12u);
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), name);
}

TEST_F(Runner, AMessageBoxCopiesTheProtocolAsChosen)
{
    GtkWidget* listChoice = controlWidget(WinSettings, IdSetMsgBoxList);
    gtk_combo_box_set_active(GTK_COMBO_BOX(listChoice), 4);
    row(1, "VOLT?");
    row(14, "MsgBox <s>,<i>", "Weiter?;0");
    run();
    gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "VOLT?\t0\r\n");
    g_free(text);

    // "Nicht sichern" leaves the clipboard alone.
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "vorher", -1);
    gtk_combo_box_set_active(GTK_COMBO_BOX(listChoice), 0);
    run();
    text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    EXPECT_STREQ(text, "vorher");
    g_free(text);
}

TEST_F(Runner, TheInstrumentVanishingMidRunEndsItWithThePortMessages)
{
    for (int i = 0; i < 40; ++i)
        row(1, "MEAS:VOLT?", "", "20");
    send(EvControl, WinProgram, IdPrgRun);
    ASSERT_TRUE(pumpUntil([this] { return lines().size() >= 4; }));
    stopInstrument();
    ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    EXPECT_FALSE(PortTable[0].isOpen);
    // One message says what happened.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Verbindung zu #0 " + device + " verloren: Gerät getrennt\nProgrammlauf wird abgebrochen!");
    bool closed = false;
    for (const std::string& line : lines())
        closed = closed || line == "CloseCom||#0 getrennt";
    EXPECT_TRUE(closed);
}

// A run of quick queries lets the protocol draw once per frame, not once per line.
TEST_F(Runner, ARunRedrawsTheProtocolAtMostOncePerFrame)
{
    PortTable[0].settings.readAtOnce = 1;
    for (int n = 0; n < 300; ++n)
        row(1, "ECHO? " + std::to_string(n), "", "0");
    int draws = 0;
    GtkWidget* list = controlWidget(WinProtocol, IdPtkList);
    GdkWindow* rows = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(list));
    auto counter = +[](GtkWidget*, GdkEventExpose* expose, gpointer data) -> gboolean {
        auto* count = static_cast<std::pair<GdkWindow*, int*>*>(data);
        // Only the run's own draws: after it the list redraws as usual.
        if (expose->window == count->first && runState.running)
            ++*count->second;
        return FALSE;
    };
    std::pair<GdkWindow*, int*> count{rows, &draws};
    pumpUntilIdle();
    gulong handler = g_signal_connect(list, "expose-event", G_CALLBACK(counter), &count);
    run();
    g_signal_handler_disconnect(list, handler);
    EXPECT_EQ(lines().size(), 600u);
    EXPECT_EQ(lines().back(), "Return:|299|");
    EXPECT_LE(draws, framedRedrawCount());
}

// The diagram open during a run follows the table: the series it shows are those the run wrote.
TEST_F(Runner, TheDiagramFollowsTheTableARunWrites)
{
    setToggleState(WinSettings, IdSetAsTable, true);
    setControlText(WinSettings, IdSetColumns, "6");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    DiagramOptions& options = diagramOptions();
    options = DiagramOptions{};
    options.x = 1;
    options.y = {2};
    send(EvControl, WinProtocol, IdPtkDiagram);
    ASSERT_TRUE(windowVisible(WinDiagram));
    row(7, "CellPos <i>,<i>", "1;1");
    row(8, "Write <s>", "U soll/V");
    row(7, "CellPos <i>,<i>", "2;1");
    row(8, "Write <s>", "U/V");
    row(5, "Loop <i>,<i>,<i>", "1;4;1");
    row(0, "VOLT <f>", "#LI");
    row(7, "CellPos <i>,<i>", "1;#LI+1");
    row(8, "Write <s>", "#LI");
    row(7, "CellPos <i>,<i>", "2;#LI+1");
    row(1, "VOLT?");
    row(6, "LoopEnd");
    run();
    ASSERT_TRUE(pumpUntil([] { return shownDiagram().series.size() == 1 && shownDiagram().series[0].y.size() == 4; }));
    const Series& shown = shownDiagram().series[0];
    EXPECT_EQ(shown.name, "U/V");
    EXPECT_EQ(shown.x, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(shown.y, shown.x);
    EXPECT_EQ(shownDiagram().xName, "U soll/V");
    EXPECT_EQ(controlText(WinDiagram, IdDgmHint), "");
}

// An instrument on the network, added on the settings page by its address: the program runs
// against it as against a serial line, and its end closes the port as an unplugged device does.
TEST_F(Runner, AnInstrumentOnTheNetworkIsAddedByItsAddressAndAnswersLikeASerialOne)
{
    stopInstrument();
    startInstrument({"--tcp", "0"});
    ASSERT_EQ(device.rfind("tcp:127.0.0.1:", 0), 0u) << device;
    deviceClose(0);
    addPort("tcp:");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Port nicht hinzugefügt:\nIm Netzwerknamen fehlt die Portnummer: tcp:RECHNER:PORT");
    int64_t index = addPort(device);
    ASSERT_GE(index, 0);
    EXPECT_EQ(PortTable[index].name, device);
    EXPECT_EQ(PortTable[index].tag, "manuell");
    EXPECT_EQ(addedPorts, (std::vector<std::string>{device}));
    // A fresh network port applies without the serial line's settings, which it has not.
    EXPECT_EQ(chosenIndex(WinSettings, IdSetBaud), -1);
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetBaud));
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetHandshake));
    send(EvControl, WinSettings, IdSetApplyPort);
    ASSERT_TRUE(PortTable[index].isOpen) << (messages.empty() ? "" : messages.back().text);
    // The program window shows the long name shortened in its middle, and whole in its tip.
    GtkWidget* portLabel = controlWidget(WinProgram, IdPrgPortLabel);
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), device);
    gchar* tip = gtk_widget_get_tooltip_text(portLabel);
    EXPECT_STREQ(tip, device.c_str());
    g_free(tip);
    EXPECT_EQ(gtk_label_get_ellipsize(GTK_LABEL(portLabel)), PANGO_ELLIPSIZE_MIDDLE);
    EXPECT_TRUE(pango_layout_is_ellipsized(gtk_label_get_layout(GTK_LABEL(portLabel))));
    clearProtocol(false);
    row(0, "VOLT <f>", "2.5");
    row(1, "VOLT?");
    run();
    std::vector<std::string> shown = lines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[shown.size() - 3], "Comnd:|VOLT 2.5|");
    EXPECT_EQ(shown.back(), "Return:|2.5000|");
    stopInstrument();
    ASSERT_TRUE(pumpUntil([&] { return !PortTable[index].isOpen; }));
    EXPECT_EQ(lines().back(), "CloseCom||#" + std::to_string(index) + " getrennt");
    // Applying again connects again; with nobody there, the message says so.
    messages.clear();
    send(EvControl, WinSettings, IdSetApplyPort);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("Grund: Verbindung abgelehnt: dort nimmt niemand Verbindungen an"),
              std::string::npos)
        << messages[0].text;
}

// A serial instrument behind a serial device server: Quirlo -> tcp:127.0.0.1:PORT -> ser2net ->
// pseudo-terminal -> the simulated instrument.
TEST_F(Runner, AnInstrumentBehindSer2netAnswersThroughTheNetwork)
{
    // The server alone uses the terminal.
    portClose(0);
    int port = freeLoopbackPort();
    std::string config = machineDir + "/ser2net.yaml";
    std::ofstream(config) << "connection: &instrument\n  accepter: tcp,127.0.0.1," << port
                          << "\n  connector: serialdev,/dev/" << device << ",9600n81,local\n";
    std::vector<const char*> argv = {"ser2net", "-n", "-u", "-c", config.c_str(), nullptr};
    GPid server = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, const_cast<gchar**>(argv.data()), nullptr,
                              GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                          G_SPAWN_STDERR_TO_DEV_NULL),
                              nullptr, nullptr, &server, nullptr));
    // Quirlo's connection is the server's first: it is tried until the server listens.
    PortTable[0].name = "tcp:127.0.0.1:" + std::to_string(port);
    for (int tries = 0; tries < 500 && !PortTable[0].isOpen; ++tries) {
        g_usleep(10000);
        portOpen(0);
        ASSERT_TRUE(pumpUntil([] { return !portsConnecting(); }));
    }
    ASSERT_TRUE(PortTable[0].isOpen);
    clearProtocol(false);
    row(1, "*IDN?");
    row(0, "VOLT <f>", "4.25");
    row(1, "VOLT?");
    run();
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    g_spawn_close_pid(server);
    EXPECT_EQ(lines(), (std::vector<std::string>{"Query:|*IDN?|", "Return:|QUIRLO,SIM-PS1,0001,1.0|",
                                                 "Comnd:|VOLT 4.25|", "Query:|VOLT?|", "Return:|4.2500|"}));
}

// A terminal named by a path of the user's, as a link to it: added, kept, opened.
TEST_F(Runner, APortNamedByAPathIsAddedKeptAndOpened)
{
    deviceClose(0);
    std::filesystem::create_directories(machineDir + "/geraete");
    std::filesystem::create_symlink("/dev/" + device, machineDir + "/geraete/bc");
    std::ofstream(machineDir + "/geraete/notiz") << "kein Gerät";
    addPort(machineDir + "/geraete/notiz");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Port nicht hinzugefügt:\nKein Gerät (keine Zeichengerätedatei): " + machineDir + "/geraete/notiz");
    std::string path = machineDir + "/geraete/bc";
    int64_t index = addPort("~/geraete/bc");
    ASSERT_GE(index, 0);
    EXPECT_EQ(PortTable[index].name, path);
    ASSERT_TRUE(loadSettingsFrom(QUIRLO_EXAMPLES "/demo.set"));
    send(EvControl, WinSettings, IdSetApplyPort);
    ASSERT_TRUE(PortTable[index].isOpen);
    clearProtocol(false);
    row(1, "*IDN?");
    run();
    // The demo's settings split the answer at its commas.
    std::vector<std::string> shown = lines();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Return:|QUIRLO|"), shown.end());
    // The next start finds it again in Quirlo.ini.
    saveIniFile();
    addedPorts.clear();
    loadAddedPorts();
    EXPECT_EQ(addedPorts, (std::vector<std::string>{path}));
}

namespace {

void typeDirectLine(const std::string& line)
{
    setControlText(WinDirect, IdDirLine, line);
    postEvent(EvControl, WinDirect, IdDirLine, CtlActivate);
}

// Protocol rows whose last column holds a time of arrival.
bool matches(const char* pattern, const std::string& text)
{
    return g_regex_match_simple(pattern, text.c_str(), GRegexCompileFlags(0), GRegexMatchFlags(0));
}

bool stamped(const std::string& line)
{
    return matches("\\|[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}$", line);
}

} // namespace

// A line typed into the direct input goes out with the port's rules and its answer follows it
// into the protocol; lines typed while an answer is awaited follow in order; Up and Down bring
// back what was sent; without an open port the user is told and nothing goes out.
TEST_F(Runner, TheDirectInputSendsTypedLinesAndKeepsThem)
{
    EXPECT_TRUE(shortcutActive(WinProgram, MenuDirOpen));
    EXPECT_TRUE(shortcutActive(WinProtocol, MenuDirOpen));
    send(EvControl, WinProtocol, IdPtkDirect);
    ASSERT_TRUE(windowVisible(WinDirect));
    typeDirectLine("*idn?");
    ASSERT_TRUE(pumpUntil([this] { return lines().size() == 2; }));
    EXPECT_EQ(controlText(WinDirect, IdDirLine), "");

    PortEntry& entry = PortTable[0];
    entry.settings.readAtOnce = 1;
    entry.settings.sendAsIs = 1;
    entry.settings.delayLong = 5000;
    // The second line is typed while the first one's answer is awaited.
    for (const char* line : {"echo? One", "echo? Two"}) {
        setControlText(WinDirect, IdDirLine, line);
        sendDirectLine();
    }
    ASSERT_TRUE(pumpUntil([this] { return lines().size() == 6; }));
    EXPECT_EQ(lines(), (std::vector<std::string>{"Query:|*IDN?|", "Return:|QUIRLO,SIM-PS1,0001,1.0|",
                                                 "Query:|echo? One|", "Return:|ONE|", "Query:|echo? Two|",
                                                 "Return:|TWO|"}));
    setControlText(WinDirect, IdDirLine, "half typed");
    for (int item : {MenuDirUp, MenuDirUp, MenuDirUp, MenuDirUp})
        send(EvMenu, WinDirect, item);
    EXPECT_EQ(controlText(WinDirect, IdDirLine), "*idn?");
    send(EvMenu, WinDirect, MenuDirDown);
    send(EvMenu, WinDirect, MenuDirDown);
    EXPECT_EQ(controlText(WinDirect, IdDirLine), "echo? Two");
    send(EvMenu, WinDirect, MenuDirDown);
    EXPECT_EQ(controlText(WinDirect, IdDirLine), "half typed");

    // Closing the port ends the wait for an answer that does not come, at once.
    entry.settings.delayLong = 60000;
    typeDirectLine("NOANSWER?");
    ASSERT_TRUE(pumpUntil([this] { return lines().size() == 7; }));
    ASSERT_TRUE(timerActive(WinDirect, TimerDirect));
    portClose(0);
    EXPECT_FALSE(timerActive(WinDirect, TimerDirect));
    clearProtocol(false);
    typeDirectLine("*RST");
    pumpUntilIdle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Gewählter COM-Port ist nicht geöffnet!");
    EXPECT_TRUE(lines().empty());
    // The lines sent come back with the next start.
    saveIniFile();
    std::string ini;
    ASSERT_TRUE(readWholeFile(machineDir + "/Quirlo.ini", ini));
    EXPECT_NE(ini.find("[DIREKTEINGABE]"), std::string::npos);
    EXPECT_NE(ini.find("Line3 = echo? Two"), std::string::npos);
}

// A device that echoes every line (a serial console): with "Echo überspringen" on the settings
// page, each query gets its answer, not its echo.
TEST_F(Runner, ARunNeverTakesTheAnswerOfALineTypedBeforeIt)
{
    stopInstrument();
    startInstrument({"--delay", "300"});
    openInstrumentPort();
    PortEntry& entry = PortTable[0];
    entry.settings.readAtOnce = 1;
    entry.settings.sendAsIs = 1;
    entry.settings.delayLong = 5000;
    send(EvMenu, WinDirect, MenuDirOpen);
    for (const char* line : {"echo? Late", "echo? Ahead"}) {
        setControlText(WinDirect, IdDirLine, line);
        sendDirectLine();
    }
    row(1, "echo? Run", "", "10");
    send(EvControl, WinProgram, IdPrgRun);
    ASSERT_TRUE(pumpUntil([] { return runState.started; }));
    ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    EXPECT_EQ(lines(), (std::vector<std::string>{"Query:|echo? Late|", "Nicht gesendet:|echo? Ahead|Programmlauf begann",
                                                 "Verworfen:|LATE|späte Antwort", "Query:|echo? Run|",
                                                 "Return:|RUN|"}));
}

// Up and Down pressed on the keyboard, in the focused send line, walk the lines sent.
TEST_F(Runner, UpAndDownKeysInTheSendLineBringBackTheLinesSent)
{
    send(EvMenu, WinDirect, MenuDirOpen);
    ASSERT_TRUE(windowVisible(WinDirect));
    for (const char* line : {"*idn?", "echo? One"}) {
        typeDirectLine(line);
        ASSERT_TRUE(pumpUntil([&] { return !timerActive(WinDirect, TimerDirect); }));
    }
    GtkWidget* field = controlWidget(WinDirect, IdDirLine);
    gtk_window_present(GTK_WINDOW(windowWidget(WinDirect)));
    gtk_widget_grab_focus(field);
    ASSERT_TRUE(pumpUntil([&] { return gtk_widget_has_focus(field) && gtk_window_is_active(GTK_WINDOW(windowWidget(WinDirect))); }));
    auto press = [&](guint key) {
        ASSERT_TRUE(gdk_test_simulate_key(gtk_widget_get_window(field), -1, -1, key, GdkModifierType(0),
                                          GDK_KEY_PRESS));
        ASSERT_TRUE(gdk_test_simulate_key(gtk_widget_get_window(field), -1, -1, key, GdkModifierType(0),
                                          GDK_KEY_RELEASE));
    };
    press(GDK_Up);
    EXPECT_TRUE(pumpUntil([&] { return controlText(WinDirect, IdDirLine) == "echo? One"; }))
        << controlText(WinDirect, IdDirLine);
    press(GDK_Up);
    EXPECT_TRUE(pumpUntil([&] { return controlText(WinDirect, IdDirLine) == "*idn?"; }));
    press(GDK_Down);
    EXPECT_TRUE(pumpUntil([&] { return controlText(WinDirect, IdDirLine) == "echo? One"; }));
    // Also while the button "Senden" has the keyboard.
    gtk_widget_grab_focus(controlWidget(WinDirect, IdDirSend));
    press(GDK_Up);
    EXPECT_TRUE(pumpUntil([&] { return controlText(WinDirect, IdDirLine) == "*idn?"; }));
}

// The monitor shows every line a streaming device sends, with its time of arrival; a run takes
// the port, the window is disabled meanwhile, and the monitor goes on when the run ends.
TEST_F(Runner, TheMonitorShowsAStreamAndGivesThePortToARun)
{
    stopInstrument();
    startInstrument({"--stream", "40"});
    openInstrumentPort();
    send(EvMenu, WinDirect, MenuDirOpen);
    setToggleState(WinDirect, IdDirTimestamps, true);
    setToggleState(WinDirect, IdDirMonitor, true);
    send(EvControl, WinDirect, IdDirMonitor);
    ASSERT_TRUE(pumpUntil([this] { return lines().size() >= 3; }));
    std::vector<std::string> seen = lines();
    EXPECT_TRUE(matches("^Return:\\|DATA [0-9]+,0\\.0000\\|", seen[0])) << seen[0];
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), stamped));
    // The *.log keeps the time of arrival.
    std::string log = listLogText(protocolRows(), false);
    EXPECT_NE(log.find(cellText(WinProtocol, IdPtkList, 0, 3)), std::string::npos);

    row(1, "ECHO? A", "", "300");
    row(1, "ECHO? B", "", "300");
    send(EvControl, WinProgram, IdPrgRun);
    ASSERT_TRUE(pumpUntil([] { return runState.started; }));
    EXPECT_FALSE(controlEnabled(WinDirect, IdDirLine));
    EXPECT_FALSE(controlEnabled(WinDirect, IdDirMonitor));
    ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    EXPECT_TRUE(controlEnabled(WinDirect, IdDirLine));
    size_t rowsAtEnd = lines().size();
    ASSERT_TRUE(pumpUntil([&] { return lines().size() >= rowsAtEnd + 3; }));
    std::vector<std::string> all = lines();
    auto first = std::find_if(all.begin(), all.end(), [](const std::string& line) { return line.rfind("Query:", 0) == 0; });
    auto last = std::find_if(all.rbegin(), all.rend(), [](const std::string& line) { return line.rfind("Query:", 0) == 0; });
    ASSERT_NE(first, all.end());
    // Between the run's first query and its last answer, no line of the monitor.
    EXPECT_TRUE(std::none_of(first, last.base() + 1, stamped));
    EXPECT_TRUE(stamped(all.back()));
}

// A list past its row limit gives up its oldest rows and its first row says how many; with
// autosave on, a monitored stream is autosaved, and the rows that left the list are in the file
// before the rest: every line the monitor read, once, in order.
TEST_F(Runner, ABoundedListAutosavesTheMonitoredRowsItGivesUp)
{
    protocolRowLimit = 20;
    ASSERT_EQ(g_mkdir_with_parents(logDir.c_str(), 0700), 0);
    for (int n = 0; n < 22; ++n)
        protocolOut("Info:\nZeile " + std::to_string(n), -1, "");
    EXPECT_EQ(rowCount(WinProtocol, IdPtkList), 21);
    EXPECT_EQ(cellText(WinProtocol, IdPtkList, 0, 1),
              "2 ältere Zeilen aus der Liste genommen (höchstens 20 Zeilen), nicht gesichert");
    EXPECT_EQ(cellText(WinProtocol, IdPtkList, 1, 1), "Zeile 2");
    clearProtocol(false);

    setToggleState(WinSettings, IdSetAutosave, true);
    stopInstrument();
    startInstrument({"--stream", "5"});
    openInstrumentPort();
    send(EvMenu, WinDirect, MenuDirOpen);
    setToggleState(WinDirect, IdDirMonitor, true);
    send(EvControl, WinDirect, IdDirMonitor);
    ASSERT_TRUE(pumpUntil([] { return std::atoi(cellText(WinProtocol, IdPtkList, 0, 1).c_str()) >= 30; }));
    setToggleState(WinDirect, IdDirMonitor, false);
    send(EvControl, WinDirect, IdDirMonitor);
    finishBackgroundSaves();
    std::string name = controlText(WinProtocol, IdPtkFileField);
    EXPECT_LE(rowCount(WinProtocol, IdPtkList), 21);
    EXPECT_TRUE(g_str_has_suffix(cellText(WinProtocol, IdPtkList, 0, 1).c_str(), "alle in der Autosave-Datei"));
    std::string bytes;
    ASSERT_TRUE(readWholeFile(logDir + name, bytes)) << name;
    std::vector<std::string> data;
    for (const std::string& line : splitText(bytes, "\n"))
        if (g_str_has_prefix(line.c_str(), "Return:\tDATA "))
            data.push_back(line.substr(13, line.find(',') - 13));
    // The port's opening may have dropped the first lines.
    ASSERT_GE(data.size(), 30u);
    for (size_t n = 1; n < data.size(); ++n)
        ASSERT_EQ(std::stoi(data[n]), std::stoi(data[n - 1]) + 1) << "line " << n;
    EXPECT_EQ(data.back(), cellText(WinProtocol, IdPtkList, rowCount(WinProtocol, IdPtkList) - 1, 1).substr(5, data.back().size()));
}

// A port whose device goes away comes back by itself behind the same link, with its settings,
// and says so; a lost port the user closed stays closed when its device returns.
TEST_F(Runner, ALostPortComesBackBehindItsLinkUnlessTheUserClosedIt)
{
    stopInstrument();
    std::string link = machineDir + "/ttyUSB-by-id";
    startInstrument({"--link", link.c_str(), "--drop-after", "1", "--return-after", "300"});
    device = link;
    openInstrumentPort();
    PortTable[0].settings.delayLong = 300;
    row(1, "*IDN?", "", "10");
    run();
    auto shown = [this](const char* line) {
        std::vector<std::string> seen = lines();
        return std::find(seen.begin(), seen.end(), line) - seen.begin();
    };
    ASSERT_TRUE(pumpUntil([&] { return shown("OpenPort||#0 wieder verbunden") < static_cast<long>(lines().size()); }));
    EXPECT_LT(shown("CloseCom||#0 getrennt"), shown("OpenPort||#0 wieder verbunden"));
    EXPECT_TRUE(PortTable[0].isOpen);
    // The same settings: the instrument answers the next run.
    removeAllRows(WinProgram, IdPrgList);
    row(1, "VOLT?", "", "10");
    run();
    EXPECT_EQ(lines().back(), "Return:|0.0000|");

    // An instrument restarted behind the same link: the port follows it.
    stopInstrument();
    clearProtocol(false);
    startInstrument({"--link", link.c_str(), "--drop-after", "1", "--return-after", "2000"});
    ASSERT_TRUE(pumpUntil([&] { return shown("OpenPort||#0 wieder verbunden") < static_cast<long>(lines().size()); }));
    ASSERT_TRUE(PortTable[0].isOpen);
    clearProtocol(false);
    removeAllRows(WinProgram, IdPrgList);
    row(1, "*IDN?", "", "10");
    run();
    ASSERT_TRUE(pumpUntil([&] { return shown("CloseCom||#0 getrennt") < static_cast<long>(lines().size()); }));
    ASSERT_FALSE(PortTable[0].isOpen);
    portClose(0);
    // A watch of the test's own sees the link come back: Quirlo's has seen it by then too.
    bool back = false;
    PathWatch witness(link, [&] { back = true; });
    ASSERT_TRUE(pumpUntil([&] { return back; }));
    pumpUntilIdle();
    EXPECT_FALSE(PortTable[0].isOpen);
}

// The monitor takes a port that came back up again: the stream goes on below the return, and a
// line typed into the direct input goes out on it.
TEST_F(Runner, TheMonitorReadsAPortAgainThatCameBack)
{
    stopInstrument();
    std::string link = machineDir + "/ttyUSB-by-id";
    startInstrument({"--link", link.c_str(), "--stream", "20", "--drop-after", "1", "--return-after", "300"});
    device = link;
    openInstrumentPort();
    send(EvMenu, WinDirect, MenuDirOpen);
    setToggleState(WinDirect, IdDirMonitor, true);
    send(EvControl, WinDirect, IdDirMonitor);
    typeDirectLine("*IDN?");
    auto dataAfterReturn = [this] {
        std::vector<std::string> seen = lines();
        auto back = std::find(seen.begin(), seen.end(), "OpenPort||#0 wieder verbunden");
        return back != seen.end() && std::any_of(back, seen.end(), [](const std::string& line) {
                   return line.rfind("Return:|DATA ", 0) == 0;
               });
    };
    EXPECT_TRUE(pumpUntil(dataAfterReturn));
    typeDirectLine("ECHO? wieder da");
    EXPECT_TRUE(pumpUntil([this] {
        std::vector<std::string> seen = lines();
        return std::any_of(seen.begin(), seen.end(),
                           [](const std::string& line) { return line.rfind("Return:|WIEDER DA|", 0) == 0; });
    }));
}

// A network port whose peer went away is connected again once the peer is back.
TEST_F(Runner, ALostNetworkPortConnectsAgainWhenItsPeerIsBack)
{
    stopInstrument();
    startInstrument({"--tcp", "0", "--drop-after", "1", "--return-after", "300"});
    int64_t index = openNetworkPort(std::atoi(device.substr(device.rfind(':') + 1).c_str()));
    ASSERT_GE(index, 0);
    clearProtocol(false);
    row(1, "*IDN?", "", "10");
    run();
    std::string back = "OpenPort||#" + std::to_string(index) + " wieder verbunden";
    ASSERT_TRUE(pumpUntil([&] { return lines().back() == back; })) << lines().back();
    EXPECT_TRUE(PortTable[index].isOpen);
}

// A stream monitored into the table is a data logger's table: a row a line, the time of arrival
// first, then the line's sub-strings.
TEST_F(Runner, TheMonitorShowsALineWithoutTerminatorAfterASilence)
{
    stopInstrument();
    startInstrument({"--stream", "1000", "--out-term", "0"});
    openInstrumentPort();
    // The silence that ends a line is "vor Antwort".
    PortTable[0].settings.delayLong = 300;
    send(EvMenu, WinDirect, MenuDirOpen);
    setToggleState(WinDirect, IdDirMonitor, true);
    send(EvControl, WinDirect, IdDirMonitor);
    ASSERT_TRUE(pumpUntil([this] { return lines().size() >= 2; }));
    std::vector<std::string> shown = lines();
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 2),
              (std::vector<std::string>{"Return:|DATA 1,0.0000|", "Return:|DATA 2,0.0000|"}));
    // A closed port is watched no longer; opened again, it is.
    ASSERT_TRUE(timerActive(WinDirect, TimerMonitor));
    portClose(0);
    EXPECT_FALSE(timerActive(WinDirect, TimerMonitor));
    portOpen(0);
    EXPECT_TRUE(timerActive(WinDirect, TimerMonitor));
}

// An OpenPort row waits for its connect while the loop goes on: the query after it goes out on
// the connection, and a Stop while a connect never comes ends the run at once.
TEST_F(Runner, AnOpenPortRowWaitsForItsConnectAndStopGivesItUp)
{
    LoopbackListener server;
    int64_t index = openNetworkPort(server.port);
    ASSERT_GE(index, 0);
    portClose(index);
    clearProtocol(false);
    row(2, "OpenPort <i>", std::to_string(index));
    row(0, "A");
    run();
    std::string number = "#" + std::to_string(index);
    EXPECT_EQ(lines(), (std::vector<std::string>{"OpenPort||" + number +
                                                     " Ok (Netzwerk: Baudrate, Datenbits, Parität, Stoppbits, "
                                                     "Handshake und DTR/RTS gelten hier nicht)",
                                                 "Comnd:|A|"}));
    EXPECT_TRUE(messages.empty());

    // A server that takes no more connections: the connect waits until Stop.
    portClose(index);
    server.takeNoMore();
    clearProtocol(false);
    send(EvControl, WinProgram, IdPrgRun);
    ASSERT_TRUE(pumpUntil([] { return runState.waitingForPort; }));
    send(EvControl, WinProgram, IdPrgStop);
    ASSERT_TRUE(pumpUntil([] { return !runState.running && !timerActive(WinProgram, TimerRun); }));
    EXPECT_FALSE(PortTable[index].isOpen);
    EXPECT_EQ(lines(), (std::vector<std::string>{"OpenPort||" + number + " not Ok: Verbindungsaufbau abgebrochen"}));
}

// A definite-length block of any size, a scope's waveform, comes whole over a terminal and over
// the network, and the query after it gets its own answer.
TEST_F(Runner, DefiniteLengthBlocksComeWholeOverATerminalAndTheNetwork)
{
    const std::vector<std::string> sizes = {"0", "64", "960", "72000", "784000", "7800000"};
    for (bool network : {false, true}) {
        if (network) {
            portClose(0);
            stopInstrument();
            startInstrument({"--tcp", "0"});
            openPortNamed(device);
        }
        clearProtocol(false);
        removeAllRows(WinProgram, IdPrgList);
        std::vector<std::string> expected;
        for (const std::string& size : sizes) {
            row(1, "DATA:BLOCK? <i>", size);
            row(1, "*IDN?");
            expected.insert(expected.end(), {"Query:|DATA:BLOCK? " + size + "|", "Return:|<Binärblock: " + size + " Bytes>|",
                                             "Query:|*IDN?|", "Return:|QUIRLO,SIM-PS1,0001,1.0|"});
        }
        run();
        EXPECT_EQ(lines(), expected) << (network ? "tcp" : "pty");
    }
    // The direct input saves the last block's bytes, each as it came.
    send(EvMenu, WinDirect, MenuDirOpen);
    fileAnswers.push_back(machineDir + "/curve.bin");
    send(EvControl, WinDirect, IdDirSaveBlock);
    std::string saved;
    ASSERT_TRUE(readWholeFile(machineDir + "/curve.bin", saved));
    ASSERT_EQ(saved.size(), 7800000u);
    size_t wrong = 0;
    for (size_t k = 0; k < saved.size(); ++k)
        wrong += static_cast<unsigned char>(saved[k]) != k % 251;
    EXPECT_EQ(wrong, 0u);
}

// A program over VXI-11: through liblxi, the RPC layer and the sockets to the simulated
// instrument's core channel; a block comes whole, a query without answer is one, the error
// query asks by its commands, and an instrument that went away leaves its port "getrennt".
TEST_F(Runner, AProgramRunsOverVxi11)
{
    portClose(0);
    stopInstrument();
    Vxi11Turn turn;
    startInstrument({"--vxi11", "--silent", "CURR?", "--late", "MEAS:VOLT?"});
    ASSERT_EQ(device, "vxi11:127.0.0.1");
    PortTable[0].settings.delayLong = 300;
    openPortNamed(device);
    row(1, "*IDN?");
    row(0, "VOLT <f>", "4.25");
    row(1, "VOLT?");
    row(1, "CURR?");
    row(1, "DATA:BLOCK? <i>", "100000");
    // Its answer comes too late: the link is made anew, and the next query gets its own.
    row(1, "MEAS:VOLT?");
    row(1, "*IDN?");
    run();
    EXPECT_EQ(lines(), (std::vector<std::string>{"Query:|*IDN?|", "Return:|QUIRLO,SIM-PS1,0001,1.0|", "Comnd:|VOLT 4.25|",
                                                 "Query:|VOLT?|", "Return:|4.2500|", "Query:|CURR?|",
                                                 "Return:||keine Antwort", "Query:|DATA:BLOCK? 100000|",
                                                 "Return:|<Binärblock: 100000 Bytes>|", "Query:|MEAS:VOLT?|",
                                                 "Return:||keine Antwort", "Query:|*IDN?|",
                                                 "Return:|QUIRLO,SIM-PS1,0001,1.0|"}));
    auto shown = [this](const std::string& part) {
        std::vector<std::string> seen = lines();
        return std::any_of(seen.begin(), seen.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    // The error query by its commands, as on any port.
    PortTable[0].settings.errQuery = 1;
    removeAllRows(WinProgram, IdPrgList);
    row(0, "VOLT <f>", "99");
    run();
    EXPECT_TRUE(shown("-222,Data out of range")) << joinText(lines(), "\n");
    // The instrument goes away during a run: the port is "getrennt".
    PortTable[0].settings.errQuery = 0;
    stopInstrument();
    removeAllRows(WinProgram, IdPrgList);
    row(1, "*IDN?");
    run();
    EXPECT_TRUE(pumpUntil([&] { return shown("CloseCom||#0 getrennt"); })) << joinText(lines(), "\n");
    EXPECT_FALSE(PortTable[0].isOpen);
    portClose(0);
}
