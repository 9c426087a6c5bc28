// What the benchmarks measure: wall-clock time of a piece of work in the windows (with the
// toolkit's pending work done) and the process's memory.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <fstream>
#include <string>

// A line of /proc/self/status in KiB, e.g. "VmRSS" (resident now) or "VmHWM" (its peak).
inline long residentKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    }
    return -1;
}

template <typename Work>
double milliseconds(Work work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
