// One kind of connection to a device: a terminal, a TCP connection, and whatever comes next.
// Each kind is a file of its own with one opening function; the device layer chooses it once
// from the port's address, and nothing above that layer knows which kind a port has.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class SerialLine { DTR, RTS };

// Why a port did not open.
enum class OpenFailure {
    None,
    Settings,      // baud rate, data bits or handshake the layer cannot express
    AlreadyOpen,   // the handle holds an open device
    Access,        // no right to the device
    Missing,       // no such device
    Busy,          // another program holds the device
    NotATerminal,  // not a serial device
    DriverRefused, // the driver refused the line settings
    Locked,        // another program's lock file names the device
    Refused,       // network: nobody takes connections at the address
    Unreachable,   // network: no way to the host
    UnknownHost,   // network: the name resolves to no address
    TimedOut,      // network: no connection within the time limit
    Cancelled,     // network: the connect was given up (Stop, quit, the port closed)
    Other          // any other system error, in error (or in detail)
};
struct OpenFailureReason {
    OpenFailure kind = OpenFailure::None;
    int error = 0;         // the system's errno, 0 where there was none
    int64_t lockOwner = 0; // Locked: the process that holds the lock
    std::string lockFile;  // Locked: the lock file
    std::string detail;    // Other: the system's own words, where there is no errno
};
// The reason in German words, for the user.
std::string openFailureText(const OpenFailureReason& reason);

// How long a connect may take before it is given up.
constexpr int networkConnectMs = 3000;

// An open connection, or one being made. Failures are results of 0 or false; nothing here
// shows anything, and only a write waits (for a line that takes no more bytes, a second at
// most). The destructor closes it and gives up a connect under way.
class Transport {
public:
    enum class State { Connecting, Open, Failed };
    virtual ~Transport() = default;
    virtual State state() const = 0;
    // Why it failed; Kind None while it connects or is open.
    virtual OpenFailureReason failure() const = 0;
    // Writes all bytes, waiting while the line takes no more for up to a second at a time; the
    // count written, less than all on failure.
    virtual int64_t write(std::string_view bytes) = 0;
    // What the device has delivered, at most maxCount bytes; 0 when nothing waits or on failure.
    // Never blocks.
    virtual int64_t read(char* buffer, int64_t maxCount) = 0;
    // Delivered bytes wait that nobody read yet.
    virtual bool inputWaits() = 0;
    // The device has gone away (unplugged, the peer closed): a read or write met it, or a look
    // at the descriptor shows it while nothing waits to be read.
    virtual bool lost() = 0;
    // The descriptor to watch for input and hang-up, and the poll events that mean a hang-up.
    virtual int descriptor() const = 0;
    virtual int hangUpEvents() const = 0;
    // Drops what the device sent and nobody read yet.
    virtual void discardInput() = 0;
    // Baud rate, parity, data and stop bits, handshake and DTR/RTS mean something here.
    virtual bool lineSettings() const { return false; }
    // Sets DTR or RTS; true when the line reads back so.
    virtual bool setLine(SerialLine, int) { return false; }
    // Said after "Ok" when it opened: what the port's settings do not mean here.
    virtual std::string openNote() const { return ""; }
    // What going away means for it, for the user.
    virtual std::string lostWhy() const { return "Gerät getrennt"; }
    // Line error bits counted so far.
    virtual int64_t lineErrors() { return 0; }
    // The device's IEEE 488.2 status byte, read by the port's own means once what was written
    // has gone out; -1 where the port has none.
    virtual int statusByte() { return -1; }
    // Whether the class has a device clear, and the clear itself: what waits to go out and what
    // came are dropped, and the device's buffers and parser are reset.
    virtual bool clearsDevice() const { return false; }
    virtual bool clearDevice() { return false; }
};

// Told when a connect under way ends, made or refused.
using ConnectDone = std::function<void(Transport*)>;
