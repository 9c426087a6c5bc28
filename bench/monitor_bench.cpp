// The monitor of the direct input: the CPU an idle Quirlo uses with the monitor on and the port
// silent (clock ticks of 1/100 s, and the loop's wake-ups), then the time from a line's arrival
// on the port to its row in the protocol list at 100 lines per second (median, 99th percentile,
// worst), then a flood written as fast as the terminal takes it: the rows it gives and the
// longest the loop was kept from its other work.
//   xvfb-run -a build/bench/monitor_bench [idle seconds]
#include <fcntl.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "quirlo_bench.h"
#include "timing.h"

#include "app/main_loop.h"
#include "ui/controls.h"
#include "ui/list_access.h"
#include "ui/windows.h"

namespace {

void writeAll(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count > 0)
            done += static_cast<size_t>(count);
    }
}

// Lines "L n" at 100 per second, each row's delay from the write of its line.
void latency(int master, int lines)
{
    std::vector<std::atomic<gint64>> sent(static_cast<size_t>(lines));
    std::thread writer([&] {
        gint64 next = g_get_monotonic_time();
        for (int n = 0; n < lines; ++n) {
            next += 10000;
            g_usleep(static_cast<gulong>(std::max<gint64>(next - g_get_monotonic_time(), 0)));
            sent[static_cast<size_t>(n)] = g_get_monotonic_time();
            writeAll(master, "L " + std::to_string(n) + "\r\n");
        }
    });
    std::vector<double> delays;
    int seen = rowCount(WinProtocol, IdPtkList);
    long ticks = cpuTicks();
    gint64 end = g_get_monotonic_time() + (lines / 100 + 5) * G_USEC_PER_SEC;
    while (static_cast<int>(delays.size()) < lines && g_get_monotonic_time() < end) {
        loopStep();
        gint64 now = g_get_monotonic_time();
        for (int rows = rowCount(WinProtocol, IdPtkList); seen < rows; ++seen) {
            std::string text = cellText(WinProtocol, IdPtkList, seen, 1);
            if (text.rfind("L ", 0) == 0)
                delays.push_back((now - sent[static_cast<size_t>(std::atoi(text.c_str() + 2))]) / 1000.0);
        }
    }
    writer.join();
    std::sort(delays.begin(), delays.end());
    std::printf("%d lines at 100 per second: %zu rows; from arrival to row median %.3f ms, p99 %.3f ms, worst "
                "%.3f ms; %ld CPU ticks\n",
                lines, delays.size(), percentile(delays, 0.5), percentile(delays, 0.99), percentile(delays, 1.0),
                cpuTicks() - ticks);
}

// Lines written as fast as the terminal takes them: the longest step of the loop meanwhile.
void flood(int master, int megabytes)
{
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::string block;
        for (int n = 0; block.size() < 65536; ++n)
            block += "FLOOD " + std::to_string(n) + ",0123456789\r\n";
        for (size_t written = 0; written < static_cast<size_t>(megabytes) << 20; written += block.size())
            writeAll(master, block);
        done = true;
    });
    int before = rowCount(WinProtocol, IdPtkList);
    gint64 start = g_get_monotonic_time(), longest = 0;
    while (!done || g_get_monotonic_time() - start < 200000) {
        gint64 stepStart = g_get_monotonic_time();
        loopStep();
        longest = std::max(longest, g_get_monotonic_time() - stepStart);
        if (done && !g_main_context_pending(nullptr))
            break;
    }
    writer.join();
    std::printf("flood of %d MiB: %d rows in %.1f s, longest loop step %.1f ms\n", megabytes,
                rowCount(WinProtocol, IdPtkList) - before, (g_get_monotonic_time() - start) / 1e6, longest / 1000.0);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string programDir = startInTemporaryDirectory(argc, argv);
    showOrToggleWindow(WinProtocol);
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    useDevicePort(std::string(ptsname(master)).substr(5), 300, 15, 5);
    postEvent(EvMenu, WinDirect, MenuDirOpen);
    handleWaitingEvents();
    setToggleState(WinDirect, IdDirTimestamps, true);
    setToggleState(WinDirect, IdDirMonitor, true);
    postEvent(EvControl, WinDirect, IdDirMonitor);
    std::printf("port %s open: %s\n", PortTable[0].name.c_str(), PortTable[0].isOpen ? "yes" : "no");
    idleFor(11, "settling: windows drawn, cursor blinking");
    idleFor(seconds, "monitor on, port silent");
    latency(master, 1000);
    flood(master, 4);
    close(master);
    exitSequence();
    std::filesystem::remove_all(programDir);
    return 0;
}
