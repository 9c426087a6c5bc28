// Start-up, start-up completion and exit of Quirlo.
#include "app/startup.h"

#include <csignal>
#include <clocale>

#include <unistd.h>

#include "app/about_window.h"
#include "app/main_loop.h"
#include "app/main_window.h"
#include "app/paths.h"
#include "app/program_info_window.h"
#include "app/settings_ini.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "lists/list_files.h"
#include "lists/list_windows.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_window.h"
#include "serial/port_services.h"
#include "serial/port_table.h"
#include "serial/serial_port.h"
#include "serial/settings_window.h"
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

// Auto-loads one list at the start-up completion, then hides its window when it was closed
// at the last exit.
void autoLoad(int window, int list, int box, int fileField)
{
    if (!windowExists(WinSettings) || !windowExists(window) || !controlExists(WinSettings, fileField))
        return;
    std::string fileName = controlText(WinSettings, fileField);
    if (toggleState(WinSettings, box) && !fileName.empty()) {
        if (fileExists(fileName))
            loadList(list, false, fileName);
        else
            messageBox(WinMain, "", fileName + " existiert nicht!", IconInfo, ButtonsOk);
        postEvent(EvResize, window, 0);
    }
    if (!savedWindowVisible(window))
        postEvent(EvClose, window, 0);
}

} // namespace

void startUp(int* argc, char*** argv, const std::string& programDir)
{
    gtk_set_locale();
    gtk_init(argc, argv);
    // The controls sit at fixed pixel places sized for a compact font.
    g_object_set(gtk_settings_get_default(), "gtk-font-name", "Sans 9", nullptr);
    gtk_rc_parse_string("style \"quirlo-button\" { GtkButton::inner-border = { 2, 2, 1, 1 } "
                        "GtkWidget::focus-padding = 0 }\n"
                        "class \"GtkButton\" style \"quirlo-button\"\n");
    // Serial devices that vanish must not end Quirlo through a broken pipe.
    signal(SIGPIPE, SIG_IGN);

    initShellState(programDir);
    createPortTable();
    resetProtocolState();
    loadFonts();
    for (int image : {14, 15, 16, 41, 42, 43})
        quirloImage(image);
    findMonitors();
    gtk_window_set_default_icon(quirloImage(0));
    setWindowBuilder(WinCommandList, createCommandListWindow);
    setWindowBuilder(WinProgram, createProgramWindow);
    setWindowBuilder(WinSettings, createSettingsWindow);
    setWindowBuilder(WinProtocol, createProtocolWindow);
    setWindowBuilder(WinAbout, createAboutWindow);
    setWindowBuilder(WinProgramInfo, createProgramInfoWindow);
    createMainWindow();
    createPopupMenus();
    checkXterm();
    createPortAuthWindow();
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
}

void completeStartUp()
{
    if (windowExists(WinProtocol) && controlExists(WinProtocol, IdPtkList)) {
        postEvent(EvResize, WinProtocol, 0);
        if (!savedWindowVisible(WinProtocol))
            postEvent(EvClose, WinProtocol, 0);
    }
    autoLoad(WinCommandList, IdCmdList, IdSetAutoLoadCommands, IdSetAutoLoadCommandsFile);
    autoLoad(WinProgram, IdPrgList, IdSetAutoLoadProgram, IdSetAutoLoadProgramFile);
    removeTimer(WinMain, TimerStartup);
}

void exitSequence()
{
    saveIniFile();
    for (size_t index = 0; index < PortTable.size(); ++index) {
        if (PortTable[index].isOpen)
            serialClose(static_cast<PortIndex>(index));
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
    serialCloseAll();
}

int quirloMain(int argc, char** argv)
{
    startUp(&argc, &argv, findProgramDir());
    runMainLoop();
    exitSequence();
    return 0;
}
