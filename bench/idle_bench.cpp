// An idle Quirlo uses no CPU: all windows open, a port open on a silent device, for a minute
// (or the seconds given) after 11 s of settling; then as long while a program's message box waits
// for the user; then the same after the device has vanished. Prints the CPU time spent in each
// minute, in clock ticks of the system (1/100 s), and the wake-ups of the loop.
//   xvfb-run -a build/bench/idle_bench [seconds]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "quirlo_bench.h"

#include "app/main_loop.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

int printMessage(const MessageRequest& request)
{
    std::printf("  message: %s\n", request.text.c_str());
    return ResultYes;
}

// A run whose MsgBox row, after a comment, waits in its dialog for the seconds, then is answered.
void dialogFor(int seconds)
{
    setMessageResponder(nullptr);
    // A comment before it arms the run timer with 1 ms.
    insertRow(WinProgram, IdPrgList, -1, {"11", "Kommentar", "10", "", ""});
    insertRow(WinProgram, IdPrgList, -1, {"14", "MsgBox <s>,<i>", "10", "Weiter?;1", ""});
    g_timeout_add_seconds(static_cast<guint>(seconds), [](gpointer) -> gboolean {
        closeOpenDialogs();
        return G_SOURCE_REMOVE;
    }, nullptr);
    long ticks = cpuTicks();
    long switches = contextSwitches();
    runProgramToEnd();
    std::printf("a program's message box waiting: %ld CPU ticks in %d s, %ld wake-ups\n", cpuTicks() - ticks,
                seconds, contextSwitches() - switches);
    removeAllRows(WinProgram, IdPrgList);
    setMessageResponder(printMessage);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    setMessageResponder(printMessage);
    std::string programDir = startInTemporaryDirectory(argc, argv);
    for (int window : {WinCommandList, WinProgram, WinProtocol, WinAbout})
        showOrToggleWindow(window);
    showOrToggleWindow(WinSettings);
    showOrToggleWindow(WinSettings);
    showOrToggleWindow(WinProgramInfo);

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    useDevicePort(std::string(ptsname(master)).substr(5), 300, 15, 5);
    std::printf("port %s open: %s\n", PortTable[0].name.c_str(), PortTable[0].isOpen ? "yes" : "no");
    // The windows draw themselves and the cursor stops blinking first.
    idleFor(11, "settling: windows drawn, cursor blinking");
    idleFor(seconds, "all windows open, port open, device silent");
    dialogFor(seconds);
    close(master);
    idleFor(seconds, "after the device vanished");
    std::printf("port open afterwards: %s\n", PortTable[0].isOpen ? "yes" : "no");
    exitSequence();
    std::filesystem::remove_all(programDir);
    return 0;
}
