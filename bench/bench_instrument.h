// The simulated instrument of the benchmarks that talk to a device: started with a log of the
// lines it receives (a timestamp in microseconds first), and ended.
#pragma once

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

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

inline Instrument startInstrument(const std::string& log, std::vector<std::string> options = {})
{
    Instrument instrument;
    instrument.log = log;
    std::remove(log.c_str());
    std::vector<const gchar*> argv = {QUIRLO_SIM_INSTRUMENT, "--log", log.c_str()};
    for (const std::string& option : options)
        argv.push_back(option.c_str());
    argv.push_back(nullptr);
    gint out = -1;
    g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv.data()), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                             nullptr, nullptr, &instrument.pid, nullptr, &out, nullptr, nullptr);
    char name[64] = {};
    ssize_t count = read(out, name, sizeof name - 1);
    close(out);
    instrument.device = std::string(name, count > 0 ? static_cast<size_t>(count) : 0);
    instrument.device.erase(instrument.device.find_last_not_of("\r\n") + 1);
    return instrument;
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
