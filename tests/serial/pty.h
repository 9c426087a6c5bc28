// A pseudo-terminal for serial tests: the test holds the master end, Quirlo opens the other
// end by its device path.
#pragma once

#include <string>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& devicePath() const { return path; }
    // Writes all bytes to the master end.
    void send(const std::string& bytes);
    // Reads what arrives at the master end until count bytes came or the wait ran out.
    std::string receive(size_t count, int timeoutMs = 2000);
    void closeMaster();

private:
    int master = -1;
    std::string path;
};

// Opens the terminal at path (no parity, one stop bit) as the device of the handle.
bool openTerminalPort(long long handle, const std::string& path, long long baud = 9600, long long dataBits = 8,
                      long long handshake = 0);
// The bytes waiting on the descriptor of a device handle.
long long bytesWaiting(long long handle);
// Waits until the descriptor of a serial handle has count bytes waiting (or the time ran out).
bool waitForAvailable(long long handle, long long count, int timeoutMs = 2000);
