// The runner's own cost per program row, measured from the simulated instrument's log: the
// time between two received lines beyond the row's pause and the port's delays, for Quirlo
// and for a minimal client that does the same exchange with plain POSIX calls and sleeps.
//   xvfb-run -a build/bench/runner_bench
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_instrument.h"
#include "quirlo_bench.h"
#include "timing.h"

#include "app/main_loop.h"
#include "app/paths.h"
#include "app/startup.h"
#include "run/run_state.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

constexpr int pauseMs = 10;
constexpr int delayLongMs = 20;

// Microseconds between consecutive received lines, less the expected wait.
std::vector<double> overheads(const std::string& log, double expectedMs)
{
    std::vector<long long> stamps = receivedStamps(log);
    std::vector<double> result;
    for (size_t i = 1; i < stamps.size(); ++i)
        result.push_back((stamps[i] - stamps[i - 1]) / 1000.0 - expectedMs);
    std::sort(result.begin(), result.end());
    return result;
}

void runInQuirlo(const Instrument& instrument, int type, const char* text, int rows)
{
    useDevicePort(instrument.device, delayLongMs, 5, 3);
    removeAllRows(WinProgram, IdPrgList);
    {
        BulkListChange bulk(WinProgram, IdPrgList);
        for (int row = 0; row < rows; ++row)
            insertRow(WinProgram, IdPrgList, -1, {std::to_string(type), text, std::to_string(pauseMs), "", ""});
    }
    runProgramToEnd();
    portClose(0);
}

void runReference(const Instrument& instrument, const char* text, int rows, bool query)
{
    int fd = open(("/dev/" + instrument.device).c_str(), O_RDWR | O_NOCTTY);
    termios raw;
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    std::string line = std::string(text) + "\r\n";
    char buffer[256];
    for (int row = 0; row < rows; ++row) {
        if (write(fd, line.data(), line.size()) < 0)
            break;
        if (query) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayLongMs));
            fcntl(fd, F_SETFL, O_NONBLOCK);
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    close(fd);
}

void report(const char* what, const std::vector<double>& quirlo, const std::vector<double>& reference,
            double expectedMs)
{
    double median = percentile(quirlo, 0.5);
    double referenceMedian = percentile(reference, 0.5);
    std::printf("%s\n", what);
    std::printf("  Quirlo:    overhead per row median %.3f ms, 99th percentile %.3f ms (%zu intervals)\n", median,
                percentile(quirlo, 0.99), quirlo.size());
    std::printf("  reference: overhead per row median %.3f ms, 99th percentile %.3f ms\n", referenceMedian,
                percentile(reference, 0.99));
    std::printf("  ratio of the median intervals: %.4f\n", (expectedMs + median) / (expectedMs + referenceMedian));
}

} // namespace

int main(int argc, char** argv)
{
    // A start-up message (no xterm, no ports) must not wait for a person.
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    startUp(&argc, &argv, findProgramDir());
    showOrToggleWindow(WinProgram);
    const std::string dir = g_get_tmp_dir();

    Instrument commands = startInstrument(dir + "/quirlo-bench-commands.log");
    runInQuirlo(commands, 0, "VOLT 1.5", 1000);
    stopInstrument(commands);
    Instrument commandReference = startInstrument(dir + "/quirlo-bench-commands-reference.log");
    runReference(commandReference, "VOLT 1.5", 1000, false);
    stopInstrument(commandReference);
    report("1000 Command rows, pause 10 ms", overheads(commands.log, pauseMs),
           overheads(commandReference.log, pauseMs), pauseMs);

    Instrument queries = startInstrument(dir + "/quirlo-bench-queries.log");
    runInQuirlo(queries, 1, "VOLT?", 500);
    stopInstrument(queries);
    Instrument queryReference = startInstrument(dir + "/quirlo-bench-queries-reference.log");
    runReference(queryReference, "VOLT?", 500, true);
    stopInstrument(queryReference);
    report("500 Query rows, pause 10 ms, answer read 20 ms after the query", overheads(queries.log, pauseMs + delayLongMs),
           overheads(queryReference.log, pauseMs + delayLongMs), pauseMs + delayLongMs);
    exitSequence();
    return 0;
}
