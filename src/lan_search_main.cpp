// quirlo-lan-search: Quirlo's search for instruments on the LAN, as a program of its own that
// Quirlo starts and reads. Its one argument is the time of each step in milliseconds.
#include <csignal>
#include <cstdio>
#include <string>

#include "common/text.h"
#include "serial/lan_discovery.h"

int main(int argc, char** argv)
{
    int stepMs = argc == 2 ? static_cast<int>(intValue(argv[1])) : 0;
    if (stepMs < 100 || stepMs > 60000) {
        std::fputs("Usage: quirlo-lan-search STEP_MS (100 to 60000)\n", stderr);
        return 2;
    }
    // A raw socket that refused the connection shows only when sending to it.
    std::signal(SIGPIPE, SIG_IGN);
    discoverInstruments(stepMs, [](const std::string& line) {
        std::fputs((line + "\n").c_str(), stdout);
        std::fflush(stdout);
    });
    return 0;
}
