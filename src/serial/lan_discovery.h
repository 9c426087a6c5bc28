// The search for instruments on the LAN itself, by liblxi's discovery: a VXI-11 broadcast on
// each interface, then an mDNS browse where avahi runs. It runs in a process of its own
// (quirlo-lan-search), as liblxi's discovery can bring down the process it runs in (a connect it
// gives up on is cancelled inside libtirpc).
#pragma once

#include <functional>
#include <string>

// Searches stepMs per step and tells each event as one line: "steps\tN" first, "found\tPORT\tID"
// for each instrument, "step\tN" after each step, "end" at the end.
void discoverInstruments(int stepMs, const std::function<void(const std::string& line)>& tell);
