// What the benchmarks that drive Quirlo share: a start in a program directory of their own, a
// port on a device, and a program run to its end through the main loop's events.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>
#include <sys/resource.h>

#include <cstdio>

#include <filesystem>
#include <functional>
#include <string>

#include "app/main_loop.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "run/run_state.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/timers.h"

// Starts Quirlo in a new temporary program directory, so that no Quirlo.ini of an earlier start
// decides anything; returns the directory, which the caller removes after the exit sequence.
inline std::string startInTemporaryDirectory(int& argc, char**& argv)
{
    gchar* made = g_dir_make_tmp("quirlo-bench-XXXXXX", nullptr);
    std::string dir = std::string(made) + "/";
    g_free(made);
    startUp(&argc, &argv, dir);
    return dir;
}

// Port 0 on the device ("pts/N"), current and open: 9600 baud, CR LF both ways.
inline void useDevicePort(const std::string& device, int delayLongMs, int delayShortMs, int retries)
{
    portCount = 1;
    PortEntry& entry = PortTable[0];
    entry = PortEntry{};
    entry.name = device;
    entry.configured = 1;
    entry.settings.baud = 9600;
    entry.settings.dataBits = 8;
    entry.settings.outTerminator = "\r\n";
    entry.settings.inTerminator = "\r\n";
    entry.settings.delayLong = delayLongMs;
    entry.settings.delayShort = delayShortMs;
    entry.settings.inRetry = retries;
    currentPort = 0;
    portOpen(0);
    // A network port connects while the loop goes on.
    for (Event event; portsConnecting();) {
        g_main_context_iteration(nullptr, TRUE);
        while (takeEvent(event))
            dispatchEvent(event);
    }
}

// Handles the events waiting in Quirlo's queue.
inline void handleWaitingEvents()
{
    Event event;
    while (takeEvent(event))
        dispatchEvent(event);
}

// One step of the main loop as it runs: the next event, or a wait for the toolkit's next one.
inline void loopStep()
{
    Event event;
    if (takeEvent(event))
        dispatchEvent(event);
    else
        gtk_main_iteration();
}

// Presses Run and handles the events until the run has ended; each is called between events.
inline void runProgramToEnd(const std::function<void()>& each = {})
{
    postEvent(EvControl, WinProgram, IdPrgRun);
    handleWaitingEvents();
    while (runState.running || timerActive(WinProgram, TimerRun)) {
        loopStep();
        if (each)
            each();
    }
}

// The process's open file descriptors.
inline long openDescriptors()
{
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The process's CPU time so far, in clock ticks of the system (1/100 s).
inline long cpuTicks()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    long micros = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec +
                  usage.ru_stime.tv_usec;
    return micros / 10000;
}

// The times the process has given up the CPU so far: the loop's wake-ups.
inline long contextSwitches()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// Runs the main loop for the seconds and prints what it cost.
inline void idleFor(int seconds, const char* what)
{
    shell.quitRequested = false;
    g_timeout_add_seconds(static_cast<guint>(seconds), [](gpointer) -> gboolean {
        shell.quitRequested = true;
        return G_SOURCE_REMOVE;
    }, nullptr);
    long ticks = cpuTicks();
    long switches = contextSwitches();
    runMainLoop();
    std::printf("%s: %ld CPU ticks in %d s, %ld wake-ups\n", what, cpuTicks() - ticks, seconds,
                contextSwitches() - switches);
}
