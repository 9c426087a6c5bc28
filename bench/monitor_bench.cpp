// The monitor of the direct input: the CPU an idle Quirlo uses with the monitor on and the port
// silent (clock ticks of 1/100 s, and the loop's wake-ups), then the time from a line's arrival
// on the port to its row in the protocol list at 100 lines per second (median, 99th percentile,
// worst), then a flood written as fast as the terminal takes it: the rows it gives and the
// longest the loop was kept from its other work.
// Then the CPU of the monitor (Quirlo and the X server drawing it) while a device streams 100
// and 1000 lines per second, and of cat reading the same stream from the terminal.
// With stream minutes, then the memory while a device streams for those minutes and a flood
// comes for one.
//   xvfb-run -a build/bench/monitor_bench [idle seconds [stream minutes]]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "quirlo_bench.h"
#include "timing.h"

#include "app/main_loop.h"
#include "serial/port_commands.h"
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

// The CPU clock ticks (1/100 s) a process has used: its user and system time from /proc.
long processTicks(GPid pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t end = stat.rfind(')');
    if (end == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    long user = 0, system = 0;
    for (int k = 3; k <= 15 && fields >> field; ++k) {
        if (k == 14)
            user = std::atol(field.c_str());
        if (k == 15)
            system = std::atol(field.c_str());
    }
    return (user + system) * 100 / sysconf(_SC_CLK_TCK);
}

// The ticks of this process's main thread, without the bench's writer thread.
long mainThreadTicks()
{
    rusage usage;
    getrusage(RUSAGE_THREAD, &usage);
    return ((usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec +
            usage.ru_stime.tv_usec) / 10000;
}

// The virtual X server that draws Quirlo's windows, found by its display number.
GPid xServer()
{
    std::string display = g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "";
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline");
        std::string command((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find("Xvfb " + display + " ") != std::string::npos)
            return std::atoi(entry.path().filename().c_str());
    }
    return 0;
}

// Writes lines "S n" at the rate for the seconds, from a thread of its own.
std::thread streamLines(int master, int perSecond, int seconds)
{
    return std::thread([=] {
        gint64 next = g_get_monotonic_time();
        for (int n = 0; n < perSecond * seconds; ++n) {
            next += G_USEC_PER_SEC / perSecond;
            g_usleep(static_cast<gulong>(std::max<gint64>(next - g_get_monotonic_time(), 0)));
            writeAll(master, "S " + std::to_string(n) + "\r\n");
        }
    });
}

// The monitor's CPU while a device streams at the rate: Quirlo's main thread and the X server
// that draws it, and the rows that arrived.
void monitorCpu(int master, int perSecond, int seconds)
{
    int before = rowCount(WinProtocol, IdPtkList);
    GPid server = xServer();
    long ticks = mainThreadTicks(), serverTicks = server ? processTicks(server) : 0;
    std::thread writer = streamLines(master, perSecond, seconds);
    // An idle Quirlo sleeps until an event comes: the end of the stream is one.
    guint endMs = static_cast<guint>(seconds * 1000 + 500);
    gint64 end = g_get_monotonic_time() + endMs * 1000;
    g_timeout_add(endMs, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
    while (g_get_monotonic_time() < end)
        loopStep();
    writer.join();
    long used = mainThreadTicks() - ticks, drawn = server ? processTicks(server) - serverTicks : 0;
    std::printf("monitor at %d lines/s for %d s: Quirlo %.1f %% CPU, X server %.1f %% CPU; %d of %d lines shown\n",
                perSecond, seconds, used * 100.0 / (seconds * 100), drawn * 100.0 / (seconds * 100),
                rowCount(WinProtocol, IdPtkList) - before, perSecond * seconds);
}

// The same stream read by cat from the terminal, as a terminal program's cheapest reader.
void catCpu(int master, int perSecond, int seconds)
{
    std::string device = ptsname(master);
    const gchar* argv[] = {"sh", "-c", "exec cat \"$0\" > /dev/null", device.c_str(), nullptr};
    GPid cat = 0;
    g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                  nullptr, nullptr, &cat, nullptr);
    g_usleep(200000);
    std::thread writer = streamLines(master, perSecond, seconds);
    writer.join();
    g_usleep(500000);
    long used = processTicks(cat);
    kill(cat, SIGTERM);
    waitpid(cat, nullptr, 0);
    std::printf("cat of the same terminal at %d lines/s for %d s: %.1f %% CPU\n", perSecond, seconds,
                used * 100.0 / (seconds * 100));
}

// The CPU time this thread has used, in microseconds: a loop step that waits for its next
// event does not count, one that works does.
gint64 threadCpuUs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * G_USEC_PER_SEC + now.tv_nsec / 1000;
}

// Lines written as fast as the terminal takes them: the longest step of the loop meanwhile, in
// CPU time of the loop's thread.
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
        gint64 stepStart = threadCpuUs();
        loopStep();
        longest = std::max(longest, threadCpuUs() - stepStart);
        if (done && !g_main_context_pending(nullptr))
            break;
    }
    writer.join();
    std::printf("flood of %d MiB: %d rows in %.1f s, longest loop step %.1f ms\n", megabytes,
                rowCount(WinProtocol, IdPtkList) - before, (g_get_monotonic_time() - start) / 1e6, longest / 1000.0);
}

// Memory while a device streams 1000 lines/s for the minutes, each minute, then while a flood
// comes for a minute; autosave is on, so the rows that leave the list go to its file.
void memory(int master, int minutes)
{
    setToggleState(WinSettings, IdSetAutosave, true);
    auto mib = [](const char* key) { return residentKiB(key) / 1024; };
    std::thread writer = streamLines(master, 1000, minutes * 60);
    for (int minute = 1; minute <= minutes; ++minute) {
        guint endMs = 60000;
        gint64 end = g_get_monotonic_time() + endMs * 1000;
        g_timeout_add(endMs, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
        while (g_get_monotonic_time() < end)
            loopStep();
        std::printf("stream at 1000 lines/s, minute %d: %ld MiB resident, %d rows\n", minute, mib("VmRSS"),
                    rowCount(WinProtocol, IdPtkList));
    }
    writer.join();
    std::atomic<bool> stop{false}, stopped{false};
    std::thread flooder([&] {
        std::string block;
        for (int n = 0; block.size() < 65536; ++n)
            block += "FLOOD " + std::to_string(n) + "\r\n";
        while (!stop)
            writeAll(master, block);
        stopped = true;
    });
    gint64 end = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    g_timeout_add(60000, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
    while (g_get_monotonic_time() < end)
        loopStep();
    stop = true;
    // The writer may wait for room in the terminal: the loop reads on until it ends.
    while (!stopped)
        loopStep();
    flooder.join();
    std::printf("after a minute's flood: %ld MiB resident, %ld MiB at the most; %d rows, first: %s\n", mib("VmRSS"),
                mib("VmHWM"), rowCount(WinProtocol, IdPtkList), cellText(WinProtocol, IdPtkList, 0, 1).c_str());
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
    for (int rate : {100, 1000})
        monitorCpu(master, rate, 20);
    flood(master, 4);
    if (argc > 2)
        memory(master, std::atoi(argv[2]));
    // The monitor gives the terminal up, so that cat may read it.
    setToggleState(WinDirect, IdDirMonitor, false);
    postEvent(EvControl, WinDirect, IdDirMonitor);
    handleWaitingEvents();
    portClose(0);
    for (int rate : {100, 1000})
        catCpu(master, rate, 20);
    close(master);
    exitSequence();
    std::filesystem::remove_all(programDir);
    return 0;
}
