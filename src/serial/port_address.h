// What a user names as a port: a device under /dev ("ttyUSB0", "pts/5"), any other path of a
// terminal device ("/dev/serial/by-id/...", "~/geraete/bc"), or an instrument on the network
// ("tcp:HOST:PORT", or "vxi11:HOST[/INSTRUMENT]" for VXI-11). Read as text only: the file system and the network are asked when the
// port opens, and no name ever reaches a shell.
#pragma once

#include <string>

struct PortAddress {
    enum class Kind { Device, Path, Network, Vxi11 };
    Kind kind = Kind::Device;
    std::string name; // as the port table holds it: "ttyUSB0", "/home/u/geraete/bc", "tcp:host:5025"
    std::string host; // Network, Vxi11: the host name or address, without brackets
    int port = 0;     // Network: 1-65535
    std::string instrument; // Vxi11: the instrument behind the host, "inst0" unless named
    // The address names a device file, which the file system is asked about.
    bool namesFile() const { return kind == Kind::Device || kind == Kind::Path; }
    // The file it names: "/dev/" + name for a device, the name itself for a path.
    std::string devicePath() const { return kind == Kind::Device ? "/dev/" + name : name; }
    // Baud rate, parity, data and stop bits, handshake and DTR/RTS mean something for the device.
    bool lineSettings() const { return namesFile(); }
};

// Reads what the user typed, "~/" standing for the home directory: "" or the reason in German.
std::string parsePortAddress(const std::string& text, const std::string& home, PortAddress& address);
// The address of a name of the port table.
PortAddress portAddressOf(const std::string& name);
