// Start-up, start-up completion and exit of Quirlo.
#include "app/startup.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <glib-unix.h>
#include <unistd.h>

#include "app/about_window.h"
#include "app/main_loop.h"
#include "app/main_window.h"
#include "app/paths.h"
#include "app/program_info_window.h"
#include "app/settings_ini.h"
#include "app/settings_window.h"
#include "app/shell_state.h"
#include "app/start_options.h"
#include "common/files.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "lists/list_windows.h"
#include "diagram/diagram_plot.h"
#include "diagram/diagram_window.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/direct_input_window.h"
#include "run/run_state.h"
#include "run/runner.h"
#include "serial/device_io.h"
#include "serial/lan_search_window.h"
#include "serial/port_authorisation_window.h"
#include "serial/port_commands.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/resources.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

constexpr int startupDelay = 400;

StartOptions startOptions;
// The run that --run starts has not ended yet.
bool startRunPending = false;
// The last lists of the last session, as Quirlo.ini names them.
std::array<std::string, 2> lastListsAtStart;
// The last message of the run that --run started, and each loss and return of its ports.
std::string runMessage;
std::vector<std::string> runNotes;
int exitStatus = 0;

void findMonitors()
{
    shell.monitors.clear();
    GdkScreen* screen = gdk_screen_get_default();
    int count = gdk_screen_get_n_monitors(screen);
    for (int index = 0; index < count; ++index) {
        GdkRectangle area;
        gdk_screen_get_monitor_geometry(screen, index, &area);
        gchar* name = gdk_screen_get_monitor_plug_name(screen, index);
        shell.monitors.push_back({index, area.x, area.y, area.width, area.height, name ? name : ""});
        g_free(name);
    }
}

// Loads a list at the start-up completion, or says that its file is missing.
void loadListAtStart(int window, int list, const std::string& file)
{
    if (fileExists(file))
        loadList(list, false, file);
    else
        messageBox(WinMain, "", file + " existiert nicht!", IconInfo, ButtonsOk);
    postEvent(EvResize, window, 0);
}

// Auto-loads one list at the start-up completion, then hides its window when it was closed
// at the last exit.
void autoLoad(int window, int list, int box, int fileField)
{
    if (!windowExists(WinSettings) || !windowExists(window) || !controlExists(WinSettings, fileField))
        return;
    // On without a chosen file, the last list of the last session comes back (not one that
    // this session loaded before the start-up was complete).
    std::string fileName = controlText(WinSettings, fileField);
    if (fileName.empty())
        fileName = list == IdCmdList ? lastListsAtStart[0] : lastListsAtStart[1];
    if (toggleState(WinSettings, box) && !fileName.empty())
        loadListAtStart(window, list, fileName);
    if (!savedWindowVisible(window))
        postEvent(EvClose, window, 0);
}

// The ports named on the command line with a *.set file are configured and opened, in their
// order, so the last of them is the current port.
void applyStartPorts()
{
    for (const PortOption& option : startOptions.ports) {
        if (option.setFile.empty())
            continue;
        for (int64_t index = 0; index < portCount; ++index) {
            if (PortTable[index].name == option.device)
                applySettingsFileToPort(index, option.setFile);
        }
    }
}

// At the end of the run that --run started: the log, then the end of Quirlo.
void startRunEnded(bool completed)
{
    if (!startRunPending)
        return;
    startRunPending = false;
    std::string reason;
    // The log of an aborted run says why it ended, as the run's last message said it; that of a
    // run that lost or cut a value says which.
    std::string ending;
    if (!completed)
        ending = runMessage.empty() ? "Programmlauf abgebrochen" : "Programmlauf abgebrochen: " + runMessage;
    if (!runState.fault.empty()) {
        if (completed)
            ending = runState.fault;
        if (startOptions.exitAfterRun)
            std::fprintf(stderr, "quirlo: %s\n", runState.fault.c_str());
        completed = false;
    }
    // The log names what befell the ports before how the run ended.
    if (!ending.empty())
        runNotes.push_back(ending);
    ending = joinText(runNotes, "\n");
    if (!startOptions.logFile.empty() && !writeProtocolLog(startOptions.logFile, &reason, ending)) {
        messageBox(WinProtocol, "Quirlo Protokoll-Daten:", notSavedText(startOptions.logFile, reason), IconWarning,
                   ButtonsOk);
        completed = false;
    }
    if (!startOptions.plotFile.empty() && !writeTableDiagram(startOptions.plotFile, reason)) {
        messageBox(WinDiagram, "Quirlo - Diagramm", notSavedText(startOptions.plotFile, reason), IconWarning,
                   ButtonsOk);
        completed = false;
    }
    if (startOptions.exitAfterRun) {
        exitStatus = completed ? ExitRunCompleted : ExitRunFailed;
        shell.quitRequested = true;
    }
}

// The message on one line: its title (but the plain "Quirlo") and its text.
std::string oneLine(const MessageRequest& request)
{
    std::string text = request.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return (request.title == "Quirlo" ? "" : request.title + " ") + text;
}

// A message on one line of the standard error output, answered with OK or Yes.
int printMessage(const MessageRequest& request)
{
    std::fprintf(stderr, "quirlo: %s\n", oneLine(request).c_str());
    return ResultYes;
}

// During the run that --run started, its last message is kept for its log. Nobody watches an
// unattended run: what only asks for OK goes to the standard error output instead of waiting
// for a click; questions still wait for an answer.
int startRunMessage(const MessageRequest& request)
{
    if (startRunPending)
        runMessage = oneLine(request);
    if (startOptions.exitAfterRun && request.buttons == ButtonsOk)
        return printMessage(request);
    return showMessageDialog(request);
}

// SIGTERM, SIGHUP or SIGINT: Quirlo ends as through its quit question, also from an open
// dialog, so the ports are closed, the settings kept and a run's autosave gets what the run has
// recorded so far.
gboolean onTerminationSignal(gpointer)
{
    // Quirlo ends now: a warning on the way out (a failed autosave, a Quirlo.ini that cannot be
    // written) must not wait for a click.
    setMessageResponder(printMessage);
    if (runState.running) {
        protocolAutosave(1);
        protocolAutosave(2);
    }
    if (startRunPending) {
        startRunPending = false;
        exitStatus = ExitRunFailed;
    }
    shell.quitRequested = true;
    // A dialog waiting for an answer would keep Quirlo from ending.
    closeOpenDialogs();
    return G_SOURCE_CONTINUE;
}

} // namespace

void startUp(int* argc, char*** argv, const std::string& programDir)
{
    gtk_set_locale();
    gtk_init(argc, argv);
    // The controls sit at fixed pixel places sized for a compact font.
    g_object_set(gtk_settings_get_default(), "gtk-font-name", "Sans 9", nullptr);
    // A blinking cursor wakes an idle Quirlo twice a second for ever; it rests after 10 s.
    g_object_set(gtk_settings_get_default(), "gtk-cursor-blink-timeout", 10, nullptr);
    gtk_rc_parse_string("style \"quirlo-button\" { GtkButton::inner-border = { 2, 2, 1, 1 } "
                        "GtkWidget::focus-padding = 0 }\n"
                        "class \"GtkButton\" style \"quirlo-button\"\n");
    // Serial devices that vanish must not end Quirlo through a broken pipe.
    signal(SIGPIPE, SIG_IGN);
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        g_unix_signal_add(number, onTerminationSignal, nullptr);

    initShellState(programDir);
    createPortTable();
    resetProtocolState();
    loadFonts();
    for (int image : {14, 15, 16, 41, 42, 43})
        quirloImage(image);
    findMonitors();
    gtk_window_set_default_icon(quirloImage(0));
    setWindowBuilder(WinCommandList, createCommandListWindow);
    // A program window opened after a port shows that port, or the runner takes it for none.
    setWindowBuilder(WinProgram, [] {
        createProgramWindow();
        showCurrentPortState();
    });
    setWindowBuilder(WinSettings, createSettingsWindow);
    setWindowBuilder(WinProtocol, createProtocolWindow);
    setLineContextSource(protocolLineContext);
    setWindowBuilder(WinAbout, createAboutWindow);
    setWindowBuilder(WinProgramInfo, createProgramInfoWindow);
    setWindowBuilder(WinDiagram, createDiagramWindow);
    setWindowBuilder(WinDirect, createDirectInputWindow);
    setWindowBuilder(WinLanSearch, createLanSearchWindow);
    setPortStateListener([] {
        directInputPortChanged();
        runnerPortChanged();
    });
    clearRunListeners();
    addRunListeners(directInputRunStarted, [](bool) { directInputRunEnded(); });
    setTableListeners(diagramTableChanged, diagramCellWritten);
    setConnectListener([](int64_t index) {
        Event event;
        event.kind = EvControl;
        event.window = WinSettings;
        event.type = CtlConnectEnded;
        event.column = static_cast<int>(index);
        postEvent(event);
    });
    createMainWindow();
    createPopupMenus();
    addClipboardMenuItems();
    checkXterm();
    createPortAuthWindow();
    manualPorts.clear();
    for (const PortOption& option : startOptions.ports)
        manualPorts.push_back(option.device);
    registerIniGroups();
    loadAddedPorts();
    manualPorts.insert(manualPorts.end(), addedPorts.begin(), addedPorts.end());
    discoverPorts(true);
    showOrToggleWindow(WinSettings);
    buildApplicationPage();
    showOrToggleWindow(WinProgramInfo);
    addTimer(WinMain, TimerStartup, startupDelay);
    tempDir = g_get_tmp_dir();
    if (controlExists(WinSettings, IdSetAutosaveTemp))
        setControlToolTip(WinSettings, IdSetAutosaveTemp,
                          "Aktiviert wird ins 'Temp'-Verzeichnis " + tempDir +
                              " gesichert, sonst ins '\\Log'-Unterverzeichnis!");
    // A program directory that cannot be entered leaves the current directory as it is.
    static_cast<void>(chdir(shell.programDir.c_str()) == 0);
    loadIniFile();
    lastListsAtStart = {lastListFile(IdCmdList), lastListFile(IdPrgList)};
    applyStartPorts();
}

namespace {

// The start-up completion waits for the connects of the ports named on the command line.
bool completionWaitsForPorts = false;

} // namespace

void startUpConnectEnded()
{
    if (completionWaitsForPorts && !portsConnecting()) {
        completionWaitsForPorts = false;
        completeStartUp();
    }
}

void completeStartUp()
{
    removeTimer(WinMain, TimerStartup);
    if (portsConnecting()) {
        completionWaitsForPorts = true;
        return;
    }
    if (windowExists(WinProtocol) && controlExists(WinProtocol, IdPtkList)) {
        postEvent(EvResize, WinProtocol, 0);
        if (!savedWindowVisible(WinProtocol))
            postEvent(EvClose, WinProtocol, 0);
    }
    // A list named on the command line takes the place of its auto-load, in a shown window.
    if (startOptions.commandsFile.empty()) {
        autoLoad(WinCommandList, IdCmdList, IdSetAutoLoadCommands, IdSetAutoLoadCommandsFile);
    } else {
        showWindow(WinCommandList);
        loadListAtStart(WinCommandList, IdCmdList, startOptions.commandsFile);
    }
    if (startOptions.programFile.empty()) {
        autoLoad(WinProgram, IdPrgList, IdSetAutoLoadProgram, IdSetAutoLoadProgramFile);
    } else {
        showWindow(WinProgram);
        loadListAtStart(WinProgram, IdPrgList, startOptions.programFile);
    }
    // The diagram comes back with the table it was open with.
    if (diagramOptions().open && protocol.protocolMode == ModeTable)
        showWindow(WinDiagram);
    if (directInputOptions().open)
        showWindow(WinDirect);
    // The diagram is that of the measurement table: without one, the run would be for nothing.
    if (!startOptions.plotFile.empty() && protocol.protocolMode != ModeTable) {
        std::fprintf(stderr, "quirlo: --plot braucht das Protokoll als Tabelle (Einstellungen: \"Tabelle (mit CellPos)\").\n");
        exitStatus = ExitBadOptions;
        shell.quitRequested = true;
        return;
    }
    if (startOptions.run) {
        showWindow(WinProgram);
        startRunPending = true;
        addRunListeners(nullptr, startRunEnded);
        reconnectSeconds = startOptions.reconnectSeconds;
        addRunNoteListener([](const std::string& note) {
            if (!startRunPending)
                return;
            std::fprintf(stderr, "quirlo: %s\n", note.c_str());
            runNotes.push_back(note);
        });
        postEvent(EvControl, WinProgram, IdPrgRun);
    }
}

void exitSequence()
{
    // The autosave's last write and every save under way end whole before Quirlo does.
    finishProtocolSaves();
    // An unattended run leaves the settings as the user left them.
    if (!startOptions.exitAfterRun)
        saveIniFile();
    for (size_t index = 0; index < PortTable.size(); ++index) {
        if (PortTable[index].isOpen)
            deviceClose(static_cast<PortIndex>(index));
        PortTable[index].isOpen = 0;
    }
    releasePortBuffers();
    removeAllTimers();
    if (shell.helpViewer > 0) {
        kill(shell.helpViewer, SIGTERM);
        g_spawn_close_pid(shell.helpViewer);
        shell.helpViewer = 0;
    }
    for (int window = WindowCount - 1; window >= 0; --window) {
        if (GtkWidget* widget = windowWidget(window))
            gtk_widget_destroy(widget);
    }
    clearEvents();
    deviceCloseAll();
    removeScanFile(discoveryPlaces.scanFile);
}

int quirloMain(int argc, char** argv)
{
    // The toolkit takes its own options first; the display opens only after ours were read.
    gtk_parse_args(&argc, &argv);
    std::string problem = parseStartOptions(std::vector<std::string>(argv + 1, argv + argc), startOptions);
    if (!problem.empty()) {
        std::fprintf(stderr, "quirlo: %s\nAufruf und Optionen: quirlo --help\n", problem.c_str());
        return ExitBadOptions;
    }
    if (startOptions.help) {
        std::fputs(startOptionsHelp, stdout);
        return 0;
    }
    if (!startOptions.plotFile.empty() && !plotFileType(startOptions.plotFile)) {
        std::fprintf(stderr, "quirlo: --plot sichert PNG, SVG oder PDF (Endung .png, .svg oder .pdf): %s\n",
                     startOptions.plotFile.c_str());
        return ExitBadOptions;
    }
    std::string programDir = findProgramDir();
    // Relative paths are read before the start-up enters the program directory.
    std::string current = currentDir();
    for (PortOption& option : startOptions.ports)
        option.setFile = startPath(option.setFile, false, current, programDir);
    startOptions.commandsFile = startPath(startOptions.commandsFile, false, current, programDir);
    startOptions.programFile = startPath(startOptions.programFile, false, current, programDir);
    startOptions.logFile = startPath(startOptions.logFile, true, current, programDir);
    startOptions.plotFile = startPath(startOptions.plotFile, true, current, programDir);
    if (startOptions.run)
        setMessageResponder(startRunMessage);

    startUp(&argc, &argv, programDir);
    runMainLoop();
    exitSequence();
    return exitStatus;
}
