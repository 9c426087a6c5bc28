// The termios layer through which every byte reaches a serial device. Ports are addressed by
// their PortIndex, which is also the handle of the open device. Failures are results of false
// or 0; the layer never shows anything, and only a write waits (for a line that takes no more
// bytes, a second at most).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <termios.h>

enum class SerialLine { DTR, RTS };

// Builds the whole terminal configuration from zero for the given codes (parity: 0 none,
// 1 even, 2 mark, 3 odd, 4 space, other values none; handshake: 0 none, 1 RTS, 2 RTS/CTS,
// 3 Xon/Xoff). Returns false for a baud rate, data-bit count or handshake it cannot map.
bool buildSerialConfig(int64_t baud, int64_t parity, int64_t dataBits, float stopBits,
                       int64_t handshake, termios& config);

// Opens and configures the device under the handle, exclusively and with a UUCP lock file
// while it is open: true on success, false when the codes are not accepted, the device cannot
// be opened as a terminal, or another program holds it or its lock (nothing stays open then;
// serialOpenFailure tells why).
// The buffer sizes are accepted for the callers' sake; the system's own buffers apply.
bool serialOpen(int64_t handle, const char* devicePath, int64_t baud, int64_t parity,
                int64_t dataBits, float stopBits, int64_t handshake, int64_t inBufferSize,
                int64_t outBufferSize);
// Why the last serialOpen of a handle failed.
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
    Cancelled,     // network: the user stopped the connect (Stop, quit)
    Other          // any other system error, in error (or in detail)
};
struct OpenFailureReason {
    OpenFailure kind = OpenFailure::None;
    int error = 0;         // the system's errno, 0 where there was none
    int64_t lockOwner = 0; // Locked: the process that holds the lock
    std::string lockFile;  // Locked: the lock file
    std::string detail;    // Other: the system's own words, where there is no errno
};
OpenFailureReason serialOpenFailure(int64_t handle);
// The reason in German words, for the user.
std::string openFailureText(const OpenFailureReason& reason);
// Connects the handle to an instrument on the network (TCP), waiting at most networkConnectMs
// while the default main context goes on (windows keep drawing); false with the reason in
// serialOpenFailure. The connection sends short commands at once and notices a peer that
// vanished (keep-alive); the terminal's line settings do not apply to it.
constexpr int networkConnectMs = 3000;
bool serialOpenNetwork(int64_t handle, const std::string& host, int port);
// Asked while a connect waits, after everything the main context did: true ends the wait at
// once as cancelled (the user asked to stop or to quit meanwhile).
void setConnectCancelCheck(std::function<bool()> check);
// Whether the open handle is a network connection.
bool serialIsNetwork(int64_t handle);
bool serialIsOpen(int64_t handle);
// Writes all bytes as they are, waiting while the line takes no more for up to a second at a
// time; the count written, less than all on failure, 0 when not open.
int64_t serialWrite(int64_t handle, std::string_view bytes);
// Received bytes waiting to be read; 0 when not open or when the device vanished.
int64_t serialAvailable(int64_t handle);
// One read of at most maxCount bytes; 0 when nothing waits, on failure or when not open.
int64_t serialRead(int64_t handle, char* buffer, int64_t maxCount);
// Sets DTR or RTS (level 1 asserted, 0 released); true when the line reads back so.
bool serialSetLine(int64_t handle, SerialLine line, int level);
// Moves each open handle h to newHandleOf[h] and closes those mapped to -1; handles beyond the
// list keep their number.
void serialRenumber(const std::vector<int64_t>& newHandleOf);
// Drops what the device sent and nobody read yet.
void serialDiscardInput(int64_t handle);
// The descriptor of the open device, for watching it; -1 when the handle is not open.
int serialDescriptor(int64_t handle);
// Whether the open device has gone away (unplugged, the other end closed): a read, a write or
// a look at what waits met a hang-up. The handle stays open until it is closed.
bool serialLost(int64_t handle);
// Line error bits; this platform reports none through the layer.
int64_t serialLineErrors(int64_t handle);
void serialClose(int64_t handle);
void serialCloseAll();
