// What the benchmarks measure: wall-clock time of a piece of work in the windows (with the
// toolkit's pending work done) and the process's memory.
#pragma once

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

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

// The value below which the share p of the sorted values lies (0 for none).
inline double percentile(const std::vector<double>& sorted, double p)
{
    return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * sorted.size()))];
}
