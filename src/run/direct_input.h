// What the direct-input window keeps, free of any window: the lines sent before, the window's
// options as Quirlo.ini holds them, and the time of day a monitored line came.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/ini_settings.h"
#include "run/device_exchange.h"

// The lines sent before, oldest first, walked with Up and Down as a shell does.
class SendHistory {
public:
    static constexpr size_t limit = 50;
    // The longest line kept, in bytes.
    static constexpr size_t lineLimit = 4096;
    // Keeps a sent line (not an empty one, not a longer one than lineLimit, nor the newest
    // again); the walk starts anew.
    void add(const std::string& line);
    // Up: the line before the one shown; typed is what the field holds, given back by Down
    // past the newest line.
    std::string back(const std::string& typed);
    // Down: the line after the one shown.
    std::string forward();
    const std::vector<std::string>& lines() const { return kept; }
    void assign(std::vector<std::string> lines);

private:
    std::vector<std::string> kept;
    size_t shown = 0; // kept.size(): past the newest line
    std::string draft;
};

struct DirectInputOptions {
    bool open = false;
    bool timestamps = false;
    int x = 500, y = 320, width = 520, height = 112;
    bool placeKnown = false; // x, y, width and height came from the file
    std::vector<std::string> history;
    int longLines = 0; // lines of the file left out for their length
};

// The Quirlo.ini group "DIREKTEINGABE", bound to the options; a missing or wrong value leaves
// the option as it was.
IniGroup directInputIniGroup(DirectInputOptions& options);

// A protocol line a monitored line gives: its text, kind and extra text; in the table, the
// column it goes to, counted from the row's first.
struct MonitorOutput {
    std::string text;
    int kind = 0;
    std::string extra;
    int column = 0;
};
// What a monitored line writes: in the list a "Return:" line with its time (timestamps) and its
// cut in the last column; in the table a row of its own, as a data logger writes, with the time
// first, then the line's sub-strings as the port's settings split it, one a cell.
std::vector<MonitorOutput> monitoredLineOutputs(const StreamLine& line, bool table, bool timestamps,
                                                const DeviceSettings& settings);

// The local time of day of the moment (microseconds since 1970) as "hh:mm:ss.mmm".
std::string clockTimeText(int64_t unixMicros);
