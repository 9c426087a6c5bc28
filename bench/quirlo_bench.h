// What the benchmarks that drive Quirlo share: a start in a program directory of their own, a
// port on a device, and a program run to its end through the main loop's events.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/main_loop.h"
#include "app/startup.h"
#include "run/run_state.h"
#include "serial/port_services.h"
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
}

// Presses Run and handles the events until the run has ended; each is called between events.
inline void runProgramToEnd(const std::function<void()>& each = {})
{
    postEvent(EvControl, WinProgram, IdPrgRun);
    Event event;
    while (takeEvent(event))
        dispatchEvent(event);
    while (runState.running || timerActive(WinProgram, TimerRun)) {
        if (takeEvent(event))
            dispatchEvent(event);
        else
            gtk_main_iteration();
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
