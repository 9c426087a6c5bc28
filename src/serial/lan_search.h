// The search for instruments on the LAN as Quirlo runs it: the search itself runs in a process
// of its own (quirlo-lan-search, see lan_discovery.h), whose lines the main loop reads as they
// come; Stop ends that process. So no window waits, and whatever happens in the search cannot
// take Quirlo down.
#pragma once

#include <functional>
#include <memory>
#include <string>

struct FoundInstrument {
    std::string port; // as a port is named: "vxi11:ADDRESS" or "tcp:ADDRESS:PORT"
    std::string id;   // the *IDN? answer, or the name the instrument announced
};

// The port that an instrument's announcement names: VXI-11 for "vxi-11" and "lxi" (an LXI
// instrument speaks VXI-11), a raw socket for "scpi-raw"; "" for what Quirlo cannot reach
// (HiSLIP, telnet, ...).
std::string announcedPort(const std::string& address, const std::string& service, int port);

// Called in the main context, never after stop().
struct LanSearchHooks {
    std::function<void(const FoundInstrument&)> found;
    std::function<void(int done, int steps)> stepped; // after each step: a broadcast, or the mDNS browse
    std::function<void(bool complete)> ended;          // complete: the search ran to its end
};

class LanSearch {
public:
    // Starts the search program, stepMs per step (a running search stops first); false where it
    // cannot be started.
    bool start(LanSearchHooks hooks, int stepMs);
    // Ends the search program; the hooks are not called any more.
    void stop();
    bool running() const;
    ~LanSearch() { stop(); }

private:
    std::shared_ptr<struct LanSearchShared> shared;
};

// The search program: beside Quirlo's executable, else on PATH; "" where there is none.
std::string lanSearchProgram();
