// The simulated instrument of the benchmarks that talk to a device: started with a log of the
// lines it receives (a timestamp in microseconds first), and ended.
#pragma once

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

struct Instrument {
    GPid pid = 0;
    std::string device; // "pts/N"
    std::string log;
};

// Starts the simulator the command names, which prints its terminal's name first.
inline Instrument startSimulator(std::vector<std::string> command, const std::string& log,
                                 const std::vector<std::string>& options)
{
    Instrument instrument;
    instrument.log = log;
    std::remove(log.c_str());
    command.insert(command.end(), {"--log", log});
    command.insert(command.end(), options.begin(), options.end());
    std::vector<const gchar*> argv;
    for (const std::string& part : command)
        argv.push_back(part.c_str());
    argv.push_back(nullptr);
    gint out = -1;
    g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv.data()), nullptr,
                             GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH),
                             nullptr, nullptr, &instrument.pid, nullptr, &out, nullptr, nullptr);
    // Up to the end of the line; a signal (a child of the bench ending) may cut a read short.
    char c = 0;
    for (ssize_t count; (count = read(out, &c, 1)) != 0 && c != '\n';)
        if (count > 0)
            instrument.device += c;
        else if (errno != EINTR)
            break;
    close(out);
    instrument.device.erase(instrument.device.find_last_not_of("\r") + 1);
    return instrument;
}

inline Instrument startInstrument(const std::string& log, const std::vector<std::string>& options = {})
{
    return startSimulator({QUIRLO_SIM_INSTRUMENT}, log, options);
}

// The times in microseconds at which the instrument received its lines, from its log.
inline std::vector<long long> receivedStamps(const std::string& log)
{
    std::ifstream in(log);
    std::vector<long long> stamps;
    long long stamp = 0;
    std::string line;
    while (in >> stamp && std::getline(in, line))
        stamps.push_back(stamp);
    return stamps;
}

inline void stopInstrument(Instrument& instrument)
{
    kill(instrument.pid, SIGTERM);
    waitpid(instrument.pid, nullptr, 0);
}
