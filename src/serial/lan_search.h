// The search for instruments on the LAN, by liblxi's discovery: a VXI-11 broadcast on each
// interface, then an mDNS browse where avahi runs. liblxi's calls block, so a worker of the
// search's own makes them. It follows the worker rule: it shares only the search's stop flag,
// hands each find to the main context, and is never waited for.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct FoundInstrument {
    std::string port; // as a port is named: "vxi11:ADDRESS" or "tcp:ADDRESS:PORT"
    std::string id;   // the *IDN? answer, or the name the instrument announced
};

// The port that an instrument's announcement names: VXI-11 for "vxi-11" and "lxi" (an LXI
// instrument speaks VXI-11), a raw socket for "scpi-raw"; "" for what Quirlo cannot reach
// (HiSLIP, telnet, ...).
std::string announcedPort(const std::string& address, const std::string& service, int port);

// The interfaces a broadcast goes out on: up, with an IPv4 address, broadcast or loopback.
std::vector<std::string> searchInterfaces();

// Called in the main context, never after stop().
struct LanSearchHooks {
    std::function<void(const FoundInstrument&)> found;
    std::function<void(int done)> stepped; // after each step: a broadcast, or the mDNS browse
    std::function<void()> ended;
};

class LanSearch {
public:
    // Starts a search of stepMs per step (a running one stops first); the number of steps.
    int start(LanSearchHooks hooks, int stepMs);
    // The hooks are not called any more; the worker ends its step on its own.
    void stop();
    bool running() const;
    ~LanSearch() { stop(); }

private:
    std::shared_ptr<struct LanSearchShared> shared;
};
