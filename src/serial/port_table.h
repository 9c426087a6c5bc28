// The process-wide table of the serial ports found on the computer, each with its device
// settings, open state and receive state. A port is always addressed by its PortIndex.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using PortIndex = int64_t;

// A port's line settings, buffer sizes, terminators, delays, retries and error queries.
// Terminators hold the characters themselves (8-bit, Latin-1).
struct DeviceSettings {
    std::string settingsFile = " -";
    std::string device = " -";
    int64_t baud = 0;
    int64_t parity = 0;
    int64_t dataBits = 0;
    float stopBits = 1.0f;
    int64_t handshake = 0;
    int64_t inBufferSize = 1024;
    int64_t outBufferSize = 1024;
    int64_t inMaxSigns = 60;
    std::string outTerminator = "\r";
    std::string inTerminator = "\r";
    int64_t inSubStrings = 0;
    std::string inSubTerminator = "\n";
    int64_t delayShort = 15;
    int64_t delayLong = 300;
    int64_t delayErr = 150;
    int64_t inRetry = 5;
    int64_t errQuery = 0;
    std::string errGetSesr = "*ESR?";
    std::string errGetCmd = "SYST:ERR?";
    std::string errQueryClear = "*CLS";
    int64_t sendAsIs = 0; // commands and queries go out as typed, not in upper case
    int64_t readAtOnce = 0; // answers are read as their bytes arrive, complete at the terminator
    int64_t skipEcho = 0;   // the device echoes what it is sent: a line equal to one sent is no answer
    // When the device goes away during a run: 0 the run ends, 1 it waits up to lossWait seconds
    // for the port to come back and runs the interrupted row again.
    int64_t onLoss = 0;
    int64_t lossWait = 60;
};

struct PortEntry {
    std::string name;       // device name without "/dev/", e.g. ttyUSB0
    std::string tag;        // adapter description from the kernel log
    int64_t accessible = 0; // 0 no access, 1 through group dialout, 2 through others' rights
    std::string access;     // "no", "dialout" or the user's login name
    uint8_t configured = 0; // device settings applied; only a configured entry opens
    int64_t isOpen = 0;
    DeviceSettings settings;
    int64_t errFlags = 0;
    std::string errText;
    // An answer given up on, or the rest of one that was cut, may still come: it is dropped
    // before the next line goes out.
    bool answerOwed = false;
    // The last line sent did not go out whole.
    bool unsent = false;
    // What happened when the device went away while the port was open (its hang-up, or the
    // peer closing the connection); empty while it is open or was closed on purpose.
    std::string lostWhy;
    // How often the device went away while the port was open, and why the last time: a run
    // learns of a loss also when the port came back before it looked.
    int64_t losses = 0;
    std::string lastLoss;
    // The last lines sent, whose echo may still come (with skipEcho).
    std::vector<std::string> sentLines;
    // The bytes of the last definite-length block the device answered, for saving to a file.
    std::optional<std::string> lastBlock;
    std::vector<char> inBuffer;
};

// Storage holds at least three entries; entries from portCount on are not used.
extern std::vector<PortEntry> PortTable;
extern int64_t portCount;
// The current port of the runner and the protocol, -1 when there is none.
extern PortIndex currentPort;

// Creates the table with its initial entries: three unused ones, no port counted.
void createPortTable();
// Frees the receive buffer of every entry (at program exit).
void releasePortBuffers();
// A port is current and open.
bool currentPortOpen();
// The current port's device is read at once ("Antwort sofort lesen").
bool currentPortReadsAtOnce();
// "/dev/" followed by the entry's name.
std::string portDevicePath(const PortEntry& entry);
