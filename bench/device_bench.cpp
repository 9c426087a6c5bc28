// Devices that misbehave while a program runs, played by a peer on a pseudo-terminal: a flood
// of 10 MB of unsolicited data, answers of 1 MB without a terminator, and a device that
// vanishes in the middle of an answer. Prints how long the window was kept from its events,
// how much was read, what the protocol shows and the memory before and after.
//   xvfb-run -a build/bench/device_bench
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "quirlo_bench.h"
#include "timing.h"

#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

using Clock = std::chrono::steady_clock;

// The device end of a pseudo-terminal; Quirlo opens the other end as "pts/N".
struct Peer {
    int master = -1;
    std::string device;
    std::atomic<bool> stopping{false};
    Peer()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        grantpt(master);
        unlockpt(master);
        device = std::string(ptsname(master)).substr(5);
    }
    ~Peer() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            close(master);
        master = -1;
    }
    // Writes all bytes, waiting while the terminal is full; false when told to stop.
    bool send(const std::string& bytes)
    {
        for (size_t done = 0; done < bytes.size() && !stopping;) {
            ssize_t written = write(master, bytes.data() + done, bytes.size() - done);
            if (written > 0) {
                done += static_cast<size_t>(written);
            } else {
                pollfd watch{master, POLLOUT, 0};
                poll(&watch, 1, 50);
            }
        }
        return !stopping;
    }
    // One line that Quirlo sent, "" when none came within the time.
    std::string line(int timeoutMs)
    {
        std::string text;
        char c = 0;
        pollfd watch{master, POLLIN, 0};
        while (poll(&watch, 1, timeoutMs) > 0 && read(master, &c, 1) == 1) {
            if (c == '\n')
                return text;
            if (c != '\r')
                text += c;
        }
        return text;
    }
};

// How late a 5 ms clock of the loop gets: the longest time the window could not take an event.
struct Lateness {
    Clock::time_point last = Clock::now();
    double worstMs = 0;
    guint source = 0;
    Lateness()
    {
        source = g_timeout_add(5, [](gpointer data) -> gboolean {
            auto* self = static_cast<Lateness*>(data);
            auto now = Clock::now();
            self->worstMs = std::max(self->worstMs, std::chrono::duration<double, std::milli>(now - self->last).count() - 5);
            self->last = now;
            return G_SOURCE_CONTINUE;
        }, this);
    }
    ~Lateness() { g_source_remove(source); }
};

void useDevice(const Peer& peer)
{
    useDevicePort(peer.device, 20, 5, 3);
}

// Runs rows of one query to the end; the run's wall-clock time in seconds.
double runQueries(int rows, const char* query)
{
    removeAllRows(WinProgram, IdPrgList);
    removeAllRows(WinProtocol, IdPtkList);
    {
        BulkListChange bulk(WinProgram, IdPrgList);
        for (int row = 0; row < rows; ++row)
            insertRow(WinProgram, IdPrgList, -1, {"1", query, "10", "", ""});
    }
    auto start = Clock::now();
    runProgramToEnd();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t longestProtocolText()
{
    size_t longest = 0;
    for (int row = 0; row < rowCount(WinProtocol, IdPtkList); ++row)
        longest = std::max(longest, cellText(WinProtocol, IdPtkList, row, 1).size());
    return longest;
}

// Runs rows of "*IDN?" and prints the run's time, the longest time the window could not take
// an event, the protocol and the memory.
void measuredRun(int rows)
{
    long before = residentKiB("VmRSS");
    Lateness lateness;
    double seconds = runQueries(rows, "*IDN?");
    std::printf("  run: %.2f s (%.1f ms a row); longest time without events: %.1f ms\n", seconds,
                seconds * 1000 / rows, lateness.worstMs);
    std::printf("  protocol: %d lines, longest text %zu characters (max. Zeichen 60)\n",
                rowCount(WinProtocol, IdPtkList), longestProtocolText());
    std::printf("  memory: %ld MiB resident before, %ld MiB after\n", before / 1024, residentKiB("VmRSS") / 1024);
}

void flood()
{
    Peer peer;
    useDevice(peer);
    const size_t total = 10u << 20;
    std::atomic<size_t> sent{0};
    std::thread writer([&] {
        const std::string chunk(4096, 'x');
        while (sent < total && peer.send(chunk))
            sent += chunk.size();
    });
    std::printf("10 MB of unsolicited data during 300 queries (pause 10 ms, answer after 20 ms)\n");
    measuredRun(300);
    std::printf("  device had sent %.1f MB when the run ended\n", sent / 1048576.0);
    peer.stopping = true;
    writer.join();
    portClose(0);
}

void overlongAnswers()
{
    Peer peer;
    useDevice(peer);
    std::thread device([&] {
        const std::string answer(1u << 20, 'y');
        while (!peer.stopping) {
            if (!peer.line(100).empty())
                peer.send(answer);
        }
    });
    std::printf("20 queries, each answered with 1 MB without a terminator\n");
    measuredRun(20);
    peer.stopping = true;
    device.join();
    portClose(0);
}

void vanishing()
{
    Peer peer;
    useDevice(peer);
    std::thread device([&] {
        peer.line(2000);
        peer.send("QUIRLO,SI");
        peer.closeMaster();
    });
    double seconds = runQueries(5, "*IDN?");
    device.join();
    std::printf("a device that vanishes in the middle of its first answer\n");
    std::printf("  run ended after %.2f s; port open afterwards: %s; protocol:\n", seconds,
                PortTable[0].isOpen ? "yes" : "no");
    for (int row = 0; row < rowCount(WinProtocol, IdPtkList); ++row)
        std::printf("    %s | %s | %s\n", cellText(WinProtocol, IdPtkList, row, 0).c_str(),
                    cellText(WinProtocol, IdPtkList, row, 1).c_str(), cellText(WinProtocol, IdPtkList, row, 3).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int messages = 0;
    setMessageResponder([&](const MessageRequest& request) {
        if (++messages <= 5)
            std::printf("  message: %s\n", request.text.c_str());
        return static_cast<int>(ResultYes);
    });
    std::string programDir = startInTemporaryDirectory(argc, argv);
    showOrToggleWindow(WinProgram);
    showOrToggleWindow(WinProtocol);
    flood();
    overlongAnswers();
    vanishing();
    exitSequence();
    std::filesystem::remove_all(programDir);
    return 0;
}
