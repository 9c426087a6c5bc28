// Finding the serial ports of the computer and the user's access to them: the kernel-log
// parse, the fallback to the kernel's device list in sysfs, the access rules, and the external
// commands that discovery and authorisation run. Free of any window.
#pragma once

#include <string>
#include <vector>

#include "serial/port_table.h"

struct DiscoveredPort {
    std::string name; // device name without "/dev/"
    std::string tag;  // what the kernel says the port is, e.g. "usb 1-1.2: pl2303"
};

// Where discovery looks and writes: the kernel's device list and the device files ("/sys" and
// "/dev" unless a caller, such as a test, points them at a tree of its own), and the scratch
// file "tty.txt" that the commands' output goes through (see makeScanFile).
struct DiscoveryPlaces {
    std::string sysRoot = "/sys";
    std::string devRoot = "/dev";
    std::string scanFile;
};
extern DiscoveryPlaces discoveryPlaces;

// Makes a directory of Quirlo's own for the scratch file: a new name under the temporary
// directory, open to the user only, so that nobody can put a link where the commands' output
// goes. Returns the path of "tty.txt" in it, "" when no directory could be made.
std::string makeScanFile();
// Removes the scratch file and its directory.
void removeScanFile(const std::string& scanFile);

// A device name that may go into a command line: letters, digits, "_" and "-" only.
bool validDeviceName(const std::string& name);

// The ports that the kernel-log lines announce, in the order of the announcements: built-in
// ttyS ports ("at I/O"), USB-serial adapters ("converter now attached to ttyUSB", removed
// again by "converter now disconnected from ttyUSB") and USB CDC devices ("ttyACM0: USB ACM
// device"). Announcements whose name is not a valid device name are left out.
std::vector<DiscoveredPort> parseKernelLog(const std::string& text);

// The serial ports of the kernel's device list under sysRoot ("/sys"): ttyS ports backed by
// hardware (not the placeholders the 8250 driver reserves), then ttyUSB and ttyACM ports in
// name order.
std::vector<DiscoveredPort> portsFromSysfs(const std::string& sysRoot);

// The USBTMC instruments: the usbtmc devices of the kernel's usbmisc class under sysRoot, each
// tagged "USBTMC" with the manufacturer and product of the USB device above it, then usbtmc
// device files under devRoot that the class does not list, tagged "USBTMC"; in name order.
std::vector<DiscoveredPort> usbtmcPorts(const std::string& sysRoot, const std::string& devRoot);

// Puts the discovered ports into the first entries of the table (growing it when needed) and
// returns their number. An entry that gets another port than it had starts with cleared
// access values; settings, configured and isOpen are carried by carryPortState.
int64_t fillPortTable(std::vector<PortEntry>& table, const std::vector<DiscoveredPort>& ports);

// After a discovery, gives each of the first count entries the settings, configured and open
// state, and the device errors, that its device had in the table before; an entry whose device
// is new, and every entry from count on, starts without them. Returns for each entry of before
// the position of its device now, -1 where the device left the table.
std::vector<int64_t> carryPortState(const std::vector<PortEntry>& before, std::vector<PortEntry>& table,
                                    int64_t count);

// The devices the user named on Quirlo's command line; each discovery adds them behind the
// ports it found.
extern std::vector<std::string> manualPorts;
// The ports the user added on the settings page, which Quirlo.ini keeps for the next start; at
// most maxAddedPorts of them (program rows address ports 0 to 255).
extern std::vector<std::string> addedPorts;
constexpr size_t maxAddedPorts = 256;
// The manual ports a Quirlo.ini names (up to its first empty name), as the settings page would
// accept them and at most maxAddedPorts; warning: what the user is told when it names more.
std::vector<std::string> acceptedAddedPorts(const std::vector<std::string>& names, const std::string& home,
                                            std::string& warning);

// Appends the named devices that are not among the first count entries, with the tag
// "manuell". The user named them, so the access rules do not remove them: an entry is open to
// the user (the login name) when its device file under devRoot may be read and written, else
// "no".
void addManualPorts(std::vector<PortEntry>& table, int64_t& count, const std::vector<std::string>& names,
                    const std::string& devRoot, const std::string& login);

// Removes entry k of the first count entries: the discovery fields of the entries behind it
// move down one position, the last one's are cleared; settings stay with their positions.
void removePortEntry(std::vector<PortEntry>& table, int64_t& count, int64_t k);

// What the user needs to know about one device file to judge the access.
struct DeviceRights {
    bool groupReadWrite = false;
    bool othersReadWrite = false;
    bool groupIsDialout = false;
};

// Sets the entry's accessible and access from the rights: others' rights give the login name
// (2), group dialout gives "dialout" (1) for a member, neither gives "no" (0). A file that
// only its group other than dialout may use leaves the entry as it was. False when the entry
// is not accessible.
bool judgeAccess(PortEntry& entry, const DeviceRights& rights, bool userInDialout, const std::string& login);

// The access check over "ls -l" lines: each line decides for the entry whose device path ends
// the line. False when some entry is not accessible.
bool checkAccessFromListing(std::vector<PortEntry>& table, int64_t count, const std::string& listing,
                            const std::string& groups, const std::string& login);

// The access check from the device files under devRoot ("/dev"): their modes and groups.
bool checkAccessFromFiles(std::vector<PortEntry>& table, int64_t count, const std::string& devRoot,
                          const std::string& groups, const std::string& login);

// Runs the shell pipeline in an xterm window and waits until xterm ends; false when xterm
// could not be started.
bool runInXterm(const std::string& pipeline);
// The standard output of the program (found through PATH), "" when it cannot be started.
std::string programOutput(const std::vector<std::string>& argv);
// The text quoted for a shell command line.
std::string shellQuoted(const std::string& text);
