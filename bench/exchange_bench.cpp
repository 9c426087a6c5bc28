// Queries answered as fast as the device can: Quirlo reading at once with pause 0 against a
// plain POSIX client that writes a query and polls for its answer, and against a pyserial loop
// as a lab script would be, all measured from the simulator's log (the time from one received
// query to the next: mean and 99th percentile). The simulators are sim_instrument and a second
// one written apart in Python (bench/scpi_sim.py). Every query is "ECHO? n", so that an answer
// lost or paired with the wrong query is seen. Then the same with the instrument answering
// after a random 0-50 ms, over TCP to the instrument and through ser2net to its terminal, over
// VXI-11 next to a PyVISA loop (pyvisa-py), and the fixed waits of the default mode.
//   xvfb-run -a build/bench/exchange_bench
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_instrument.h"
#include "quirlo_bench.h"

#include "protocol/protocol_window.h"
#include "serial/loopback.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

// Milliseconds per query from the log: the span from the first received line to the last over
// the intervals between them, the mean of the device's own delays within that span, and the
// 99th percentile of the intervals beyond the device's delay.
struct Timing {
    double perQuery = 0;
    double deviceDelay = 0;
    double p99 = 0;
};

Timing timing(const std::string& log)
{
    std::ifstream in(log);
    std::vector<long long> stamps;
    std::vector<int> delays;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long stamp = 0;
        fields >> stamp;
        stamps.push_back(stamp);
        size_t plus = line.rfind(" +");
        delays.push_back(plus == std::string::npos ? 0 : std::atoi(line.c_str() + plus + 2));
    }
    Timing result;
    if (stamps.size() < 2)
        return result;
    size_t intervals = stamps.size() - 1;
    result.perQuery = (stamps.back() - stamps.front()) / 1000.0 / intervals;
    long long delaySum = 0;
    std::vector<double> beyond;
    for (size_t i = 0; i < intervals; ++i) {
        delaySum += delays[i];
        beyond.push_back((stamps[i + 1] - stamps[i]) / 1000.0 - delays[i]);
    }
    result.deviceDelay = static_cast<double>(delaySum) / intervals;
    std::sort(beyond.begin(), beyond.end());
    result.p99 = beyond[std::min(beyond.size() - 1, beyond.size() * 99 / 100)];
    return result;
}

// Answers missing or not equal to their own query's number.
struct Pairing {
    int lost = 0;
    int shifted = 0;
};

void pair(Pairing& pairing, int expected, const std::string& answer, bool answered)
{
    if (!answered)
        ++pairing.lost;
    else if (answer != std::to_string(expected))
        ++pairing.shifted;
}

Pairing quirloPairing(int queries)
{
    Pairing pairing;
    int rows = rowCount(WinProtocol, IdPtkList);
    int asked = 0;
    for (int row = 0; row < rows; ++row) {
        if (cellText(WinProtocol, IdPtkList, row, 0) != "Query:")
            continue;
        bool answered = row + 1 < rows && cellText(WinProtocol, IdPtkList, row + 1, 0) == "Return:" &&
                        cellText(WinProtocol, IdPtkList, row + 1, 3).find("keine Antwort") == std::string::npos;
        pair(pairing, asked, answered ? cellText(WinProtocol, IdPtkList, row + 1, 1) : "", answered);
        ++asked;
    }
    pairing.lost += queries - asked;
    return pairing;
}

// Quirlo's run of the queries on the port of that name, which the instrument serves.
Timing runQueries(const std::string& port, Instrument& instrument, int queries, bool atOnce, Pairing& pairing)
{
    const DeviceSettings fresh;
    // A server that is still starting refuses the first connections.
    for (int tries = 0; tries < 300 && !PortTable[0].isOpen; ++tries) {
        if (tries > 0)
            g_usleep(10000);
        if (atOnce)
            useDevicePort(port, 1000, 15, 5);
        else
            useDevicePort(port, static_cast<int>(fresh.delayLong), static_cast<int>(fresh.delayShort),
                          static_cast<int>(fresh.inRetry));
    }
    PortTable[0].settings.readAtOnce = atOnce ? 1 : 0;
    clearProtocol(false);
    removeAllRows(WinProgram, IdPrgList);
    {
        BulkListChange bulk(WinProgram, IdPrgList);
        for (int n = 0; n < queries; ++n)
            insertRow(WinProgram, IdPrgList, -1, {"1", "ECHO? " + std::to_string(n), atOnce ? "0" : "10", "", ""});
    }
    runProgramToEnd();
    portClose(0);
    stopInstrument(instrument);
    pairing = quirloPairing(queries);
    return timing(instrument.log);
}

// Debian's Python, which has pyserial (python3-serial); a python3 of the user's may not.
const char* const pythonProgram = "/usr/bin/python3";

// The simulators a run may talk to, each started with its log.
using Simulator = std::function<Instrument(const std::string& log)>;

Instrument startWithJitter(const std::string& log, const std::string& jitterMs)
{
    return startInstrument(log, {"--jitter", jitterMs});
}

Instrument startPythonSimulator(const std::string& log)
{
    return startSimulator({pythonProgram, QUIRLO_BENCH_DIR "/scpi_sim.py"}, log, {});
}

std::string benchLog(const char* name)
{
    return g_get_tmp_dir() + std::string("/quirlo-bench-") + name + ".log";
}

Timing runInQuirlo(const Simulator& simulator, int queries, bool atOnce, Pairing& pairing)
{
    Instrument instrument = simulator(benchLog("exchange"));
    return runQueries(instrument.device, instrument, queries, atOnce, pairing);
}

// A Python client loop (bench/SCRIPT TARGET COUNT, printing "lost L shifted S") against the
// instrument, which it ends.
Timing runPythonLoop(const char* script, const std::string& target, Instrument& instrument, int queries,
                     Pairing& pairing)
{
    std::string count = std::to_string(queries);
    std::string path = std::string(QUIRLO_BENCH_DIR "/") + script;
    const gchar* argv[] = {pythonProgram, path.c_str(), target.c_str(), count.c_str(), nullptr};
    gchar* out = nullptr;
    g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, nullptr,
                 nullptr, nullptr);
    pairing = Pairing{queries, 0};
    if (out)
        std::sscanf(out, "lost %d shifted %d", &pairing.lost, &pairing.shifted);
    g_free(out);
    stopInstrument(instrument);
    return timing(instrument.log);
}

// The pyserial loop of bench/pyserial_loop.py against the simulator.
Timing runPyserial(const Simulator& simulator, int queries, Pairing& pairing)
{
    Instrument instrument = simulator(benchLog("exchange-pyserial"));
    return runPythonLoop("pyserial_loop.py", "/dev/" + instrument.device, instrument, queries, pairing);
}

// Over the network: the instrument listening on TCP itself, or on its terminal behind ser2net.
Timing runOverNetwork(bool throughSer2net, int queries, Pairing& pairing)
{
    std::string log = g_get_tmp_dir() + std::string("/quirlo-bench-network.log");
    if (!throughSer2net) {
        Instrument instrument = startInstrument(log, {"--tcp", "0"});
        return runQueries(instrument.device, instrument, queries, true, pairing);
    }
    Instrument instrument = startInstrument(log);
    std::string config = g_get_tmp_dir() + std::string("/quirlo-bench-ser2net.yaml");
    const int port = freeLoopbackPort();
    std::ofstream(config) << "connection: &instrument\n  accepter: tcp,127.0.0.1," << port
                          << "\n  connector: serialdev,/dev/" << instrument.device << ",9600n81,local\n";
    const gchar* argv[] = {"ser2net", "-n", "-u", "-c", config.c_str(), nullptr};
    GPid server = 0;
    g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                  GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                  nullptr, &server, nullptr);
    Timing result = runQueries("tcp:127.0.0.1:" + std::to_string(port), instrument, queries, true, pairing);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::remove(config.c_str());
    return result;
}

// The plain client: writes the query, waits for bytes with poll and reads until CR LF.
Timing runReference(const Simulator& simulator, int queries, Pairing& pairing)
{
    Instrument instrument = simulator(benchLog("exchange-reference"));
    int fd = open(("/dev/" + instrument.device).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw;
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    for (int n = 0; n < queries; ++n) {
        std::string line = "ECHO? " + std::to_string(n) + "\r\n";
        if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            break;
        std::string answer;
        bool answered = false;
        while (!answered) {
            pollfd watch{fd, POLLIN, 0};
            if (poll(&watch, 1, 1000) <= 0)
                break;
            char buffer[256];
            ssize_t count = read(fd, buffer, sizeof buffer);
            if (count > 0)
                answer.append(buffer, static_cast<size_t>(count));
            answered = answer.size() >= 2 && answer.compare(answer.size() - 2, 2, "\r\n") == 0;
        }
        pair(pairing, n, answered ? answer.substr(0, answer.size() - 2) : "", answered);
    }
    close(fd);
    stopInstrument(instrument);
    return timing(instrument.log);
}

void report(const char* what, const Timing& time, const Pairing& pairing)
{
    std::printf("  %-34s %8.3f ms per query (device's own delay %.3f ms, beyond it %.3f ms, p99 %.3f ms), lost %d, "
                "shifted %d\n",
                what, time.perQuery, time.deviceDelay, time.perQuery - time.deviceDelay, time.p99, pairing.lost,
                pairing.shifted);
}

// Over VXI-11 (the simulated instrument's core channel, through rpcbind, which is started where
// it does not run): Quirlo through liblxi, then a PyVISA loop through pyvisa-py, on the same
// instrument one after the other.
void runOverVxi11(int queries)
{
    ensureRpcbind();
    Pairing quirloPairs, pyvisaPairs;
    Instrument instrument = startInstrument(benchLog("exchange-vxi11"), {"--vxi11"});
    Timing quirlo = runQueries(instrument.device, instrument, queries, true, quirloPairs);
    instrument = startInstrument(benchLog("exchange-pyvisa"), {"--vxi11"});
    Timing pyvisa = runPythonLoop("pyvisa_loop.py", "127.0.0.1", instrument, queries, pyvisaPairs);
    std::printf("%d queries \"ECHO? n\" over VXI-11 to vxi11:127.0.0.1 (TCPIP::127.0.0.1::INSTR)\n", queries);
    report("Quirlo through liblxi, reading at once, pause 0:", quirlo, quirloPairs);
    report("PyVISA loop (pyvisa-py):", pyvisa, pyvisaPairs);
    std::printf("  ratio Quirlo / PyVISA: %.2f\n", quirlo.perQuery / pyvisa.perQuery);
}

} // namespace

int main(int argc, char** argv)
{
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    std::string dir = startInTemporaryDirectory(argc, argv);
    showOrToggleWindow(WinProgram);
    constexpr int queries = 1000;
    const struct {
        const char* title;
        Simulator start;
    } simulators[] = {
        {"sim_instrument answering at once", [](const std::string& log) { return startWithJitter(log, "0"); }},
        {"bench/scpi_sim.py (Python) answering at once", startPythonSimulator},
        {"sim_instrument answering after a random 0-50 ms",
         [](const std::string& log) { return startWithJitter(log, "50"); }},
    };
    for (const auto& simulator : simulators) {
        std::printf("%d queries \"ECHO? n\", %s\n", queries, simulator.title);
        Pairing quirloPairs, referencePairs, pyserialPairs;
        Timing quirlo = runInQuirlo(simulator.start, queries, true, quirloPairs);
        Timing reference = runReference(simulator.start, queries, referencePairs);
        Timing pyserial = runPyserial(simulator.start, queries, pyserialPairs);
        report("Quirlo, reading at once, pause 0:", quirlo, quirloPairs);
        report("plain POSIX client:", reference, referencePairs);
        report("pyserial loop:", pyserial, pyserialPairs);
        std::printf("  ratio Quirlo / plain client: %.2f, Quirlo / pyserial loop: %.2f\n",
                    quirlo.perQuery / reference.perQuery, quirlo.perQuery / pyserial.perQuery);
    }
    for (bool throughSer2net : {false, true}) {
        Pairing pairs;
        Timing network = runOverNetwork(throughSer2net, queries, pairs);
        std::printf("%d queries \"ECHO? n\" over tcp:127.0.0.1 %s\n", queries,
                    throughSer2net ? "through ser2net to the instrument's terminal" : "to the instrument");
        report("Quirlo, reading at once, pause 0:", network, pairs);
    }
    runOverVxi11(queries);
    constexpr int fixedQueries = 20;
    Pairing fixedPairs;
    Timing fixed = runInQuirlo(simulators[0].start, fixedQueries, false, fixedPairs);
    std::printf("%d queries with fixed waits (a fresh port: vor Antwort 300 ms, pause 10 ms)\n", fixedQueries);
    report("Quirlo, default mode:", fixed, fixedPairs);
    exitSequence();
    std::filesystem::remove_all(dir);
    return 0;
}
