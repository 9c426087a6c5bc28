// Finding the serial ports of the computer and the user's access to them.
#include "serial/port_discovery.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>
#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "common/files.h"
#include "common/text.h"
#include "serial/port_address.h"
#include "serial/usbtmc_transport.h"

DiscoveryPlaces discoveryPlaces;

namespace {

// One kind of kernel-log announcement. The detach and tag markers may be empty (none).
struct LogColumn {
    const char* prefix;
    const char* attach;
    const char* detach;
    char nameEnd; // the character after the name; 0 for the end of the line
    const char* tagMarker;
};

const LogColumn logColumns[] = {
    {"ttyS", "at I/O", "", ' ', ""},
    {"ttyUSB", "converter now attached to ttyUSB", " converter now disconnected from ttyUSB", 0, " usb "},
    {"ttyACM", ": USB ACM device", "", ':', "cdc_acm "},
};

// Detach lines begin with the adapter's own name and a colon; the name searched comes later.
constexpr size_t detachNameFrom = 29;

std::string nameAt(const std::string& line, size_t pos, char nameEnd)
{
    size_t end = nameEnd ? line.find(nameEnd, pos) : std::string::npos;
    return line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
}

// The adapter's description in front of the attach marker: "usb 1-1.2: pl2303" from
// "... usb 1-1.2: pl2303 converter now attached to ttyUSB0", "cdc_acm 1-1.2:1.0" from
// "... cdc_acm 1-1.2:1.0: ttyACM0: USB ACM device".
std::string tagOf(const std::string& line, const LogColumn& column, size_t namePos, size_t attachPos)
{
    if (!*column.tagMarker)
        return "";
    size_t marker = line.find(column.tagMarker);
    size_t end = column.nameEnd == ':' ? namePos : attachPos;
    if (marker == std::string::npos || marker >= end)
        return "";
    size_t start = column.tagMarker[0] == ' ' ? marker + 1 : marker;
    // The separator in front of the name or the marker: a blank, or ": " before an ACM name.
    size_t stop = column.nameEnd == ':' ? end - 2 : end - 1;
    return stop > start ? line.substr(start, stop - start) : "";
}

std::string readText(const std::string& path)
{
    std::string text;
    readWholeFile(path, text);
    return text;
}

std::string resolved(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    std::string result(real ? real : "");
    free(real);
    return result;
}

// The name of the driver bound to the device directory, "" when none is.
std::string driverOf(const std::string& device)
{
    std::string driver = resolved(device + "/driver");
    return driver.empty() ? "" : fileName(driver);
}

// The USB device of a device directory: the nearest directory above it that has a vendor id;
// "" when there is none.
std::string usbDeviceAbove(const std::string& device)
{
    std::string dir = resolved(device);
    while (dir.size() > 1 && !fileExists(dir + "/idVendor"))
        dir = dir.substr(0, dir.rfind('/'));
    return dir.size() > 1 ? dir : "";
}

// A line of a USB device's sysfs file, without the line end.
std::string usbText(const std::string& dir, const char* file)
{
    std::string text = readText(dir + "/" + file);
    while (!text.empty() && g_ascii_isspace(text.back()))
        text.pop_back();
    return text;
}

std::string sysfsTag(const std::string& name, const std::string& device)
{
    std::string driver = driverOf(device);
    if (name.rfind("ttyS", 0) == 0)
        return driver.empty() ? "serial" : driver;
    std::string dir = usbDeviceAbove(device);
    if (dir.empty())
        return driver.empty() ? "usb" : driver;
    std::string tag = "usb " + fileName(dir) + ":";
    if (!driver.empty())
        return tag + " " + driver;
    std::string product = usbText(dir, "product");
    return product.empty() ? tag.substr(0, tag.size() - 1) : tag + " " + product;
}

// Built-in ports first, then USB ports; within a kind by name, numbers by their value.
bool portOrder(const std::string& a, const std::string& b)
{
    auto key = [](const std::string& name) {
        size_t digits = name.find_first_of("0123456789");
        std::string prefix = name.substr(0, digits);
        long long number = digits == std::string::npos ? -1 : std::atoll(name.c_str() + digits);
        return std::make_tuple(prefix != "ttyS", prefix, number, name);
    };
    return key(a) < key(b);
}

bool readWrite(const std::string& line, size_t pos)
{
    return line.compare(pos, 2, "rw") == 0;
}

} // namespace

bool validDeviceName(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return g_ascii_isalnum(c) || c == '_' || c == '-';
    });
}

std::vector<DiscoveredPort> parseKernelLog(const std::string& text)
{
    std::vector<DiscoveredPort> ports;
    std::string tag;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && g_ascii_isspace(line.back()))
            line.pop_back();
        for (const LogColumn& column : logColumns) {
            size_t attach = line.find(column.attach);
            if (attach != std::string::npos) {
                size_t namePos = line.find(column.prefix);
                if (namePos == std::string::npos)
                    continue;
                std::string name = nameAt(line, namePos, column.nameEnd);
                std::string found = tagOf(line, column, namePos, attach);
                if (!found.empty())
                    tag = found;
                if (tag.empty())
                    tag = "serial";
                if (validDeviceName(name))
                    ports.push_back({name, tag});
            } else if (*column.detach && line.find(column.detach) != std::string::npos) {
                size_t namePos = line.find(column.prefix, detachNameFrom);
                if (namePos == std::string::npos)
                    continue;
                std::string name = nameAt(line, namePos, column.nameEnd);
                std::erase_if(ports, [&](const DiscoveredPort& port) { return port.name == name; });
            }
        }
    }
    return ports;
}

std::vector<DiscoveredPort> portsFromSysfs(const std::string& sysRoot)
{
    std::vector<DiscoveredPort> ports;
    std::string classDir = sysRoot + "/class/tty";
    GDir* dir = g_dir_open(classDir.c_str(), 0, nullptr);
    if (!dir)
        return ports;
    while (const gchar* entry = g_dir_read_name(dir)) {
        std::string name(entry);
        bool builtIn = name.rfind("ttyS", 0) == 0;
        bool usb = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
        std::string device = classDir + "/" + name + "/device";
        if ((!builtIn && !usb) || !validDeviceName(name) || !g_file_test(device.c_str(), G_FILE_TEST_EXISTS))
            continue;
        // The 8250 driver reserves ports without hardware behind them; their type is 0.
        if (builtIn && intValue(readText(classDir + "/" + name + "/type")) == 0)
            continue;
        ports.push_back({name, sysfsTag(name, device)});
    }
    g_dir_close(dir);
    std::sort(ports.begin(), ports.end(),
              [](const DiscoveredPort& a, const DiscoveredPort& b) { return portOrder(a.name, b.name); });
    return ports;
}

std::vector<DiscoveredPort> usbtmcPorts(const std::string& sysRoot, const std::string& devRoot)
{
    std::vector<DiscoveredPort> ports;
    auto known = [&ports](const std::string& name) {
        return std::any_of(ports.begin(), ports.end(), [&](const DiscoveredPort& port) { return port.name == name; });
    };
    std::string classDir = sysRoot + "/class/usbmisc";
    for (const std::string& dir : {classDir, devRoot}) {
        GDir* list = g_dir_open(dir.c_str(), 0, nullptr);
        while (const gchar* entry = list ? g_dir_read_name(list) : nullptr) {
            std::string name(entry);
            if (!isUsbtmcName(name) || !validDeviceName(name) || known(name))
                continue;
            std::string tag = "USBTMC";
            std::string usb = dir == classDir ? usbDeviceAbove(classDir + "/" + name) : "";
            for (const char* file : {"manufacturer", "product"}) {
                std::string text = usb.empty() ? "" : usbText(usb, file);
                if (!text.empty())
                    tag += " " + text;
            }
            ports.push_back({name, tag});
        }
        if (list)
            g_dir_close(list);
    }
    std::sort(ports.begin(), ports.end(),
              [](const DiscoveredPort& a, const DiscoveredPort& b) { return portOrder(a.name, b.name); });
    return ports;
}

int64_t fillPortTable(std::vector<PortEntry>& table, const std::vector<DiscoveredPort>& ports)
{
    if (table.size() < ports.size())
        table.resize(ports.size());
    for (size_t k = 0; k < ports.size(); ++k) {
        PortEntry& entry = table[k];
        if (entry.name != ports[k].name) {
            entry.accessible = 0;
            entry.access.clear();
        }
        entry.name = ports[k].name;
        entry.tag = ports[k].tag;
    }
    return static_cast<int64_t>(ports.size());
}

std::string makeScanFile()
{
    gchar* dir = g_dir_make_tmp("quirlo-XXXXXX", nullptr);
    if (!dir)
        return "";
    std::string file = std::string(dir) + "/tty.txt";
    g_free(dir);
    return file;
}

void removeScanFile(const std::string& scanFile)
{
    if (scanFile.empty())
        return;
    g_remove(scanFile.c_str());
    gchar* dir = g_path_get_dirname(scanFile.c_str());
    g_rmdir(dir);
    g_free(dir);
}

std::vector<int64_t> carryPortState(const std::vector<PortEntry>& before, std::vector<PortEntry>& table,
                                    int64_t count)
{
    std::vector<int64_t> moved(before.size(), -1);
    for (size_t k = 0; k < table.size(); ++k) {
        PortEntry& entry = table[k];
        PortEntry old;
        for (size_t j = 0; j < before.size() && static_cast<int64_t>(k) < count; ++j) {
            if (moved[j] == -1 && !before[j].name.empty() && before[j].name == entry.name) {
                old = before[j];
                moved[j] = static_cast<int64_t>(k);
                break;
            }
        }
        entry.settings = old.settings;
        entry.configured = old.configured;
        entry.isOpen = old.isOpen;
        entry.errFlags = old.errFlags;
        entry.errText = old.errText;
        entry.lostWhy = old.lostWhy;
        entry.losses = old.losses;
        entry.lastLoss = old.lastLoss;
    }
    return moved;
}

std::vector<std::string> manualPorts;
std::vector<std::string> addedPorts;

void addManualPorts(std::vector<PortEntry>& table, int64_t& count, const std::vector<std::string>& names,
                    const std::string& devRoot, const std::string& login)
{
    std::unordered_set<std::string> known;
    for (int64_t k = 0; k < std::min<int64_t>(count, static_cast<int64_t>(table.size())); ++k)
        known.insert(table[static_cast<size_t>(k)].name);
    for (const std::string& name : names) {
        if (!known.insert(name).second)
            continue;
        if (table.size() <= static_cast<size_t>(count))
            table.resize(static_cast<size_t>(count) + 1);
        PortEntry& entry = table[static_cast<size_t>(count++)];
        // A network port has no file; a path is asked as it is.
        PortAddress address = portAddressOf(name);
        bool usable = !address.namesFile() ||
                      g_access((address.kind == PortAddress::Kind::Path ? name : devRoot + "/" + name).c_str(),
                               R_OK | W_OK) == 0;
        entry.name = name;
        entry.tag = "manuell";
        entry.accessible = usable ? 2 : 0;
        entry.access = usable ? login : "no";
    }
}

void removePortEntry(std::vector<PortEntry>& table, int64_t& count, int64_t k)
{
    if (k < 0 || k >= count || count > static_cast<int64_t>(table.size()))
        return;
    for (int64_t i = k; i + 1 < count; ++i) {
        table[i].name = table[i + 1].name;
        table[i].tag = table[i + 1].tag;
        table[i].accessible = table[i + 1].accessible;
        table[i].access = table[i + 1].access;
    }
    PortEntry& last = table[count - 1];
    last.name.clear();
    last.tag.clear();
    last.accessible = 0;
    last.access.clear();
    --count;
}

bool judgeAccess(PortEntry& entry, const DeviceRights& rights, bool userInDialout, const std::string& login)
{
    auto set = [&entry](int64_t accessible, const std::string& access) {
        entry.accessible = accessible;
        entry.access = access;
        return accessible != 0;
    };
    if (!rights.groupReadWrite)
        return rights.othersReadWrite ? set(2, login) : set(0, "no");
    if (!rights.groupIsDialout)
        return true;
    if (userInDialout)
        return set(1, "dialout");
    return rights.othersReadWrite ? set(2, login) : set(0, "no");
}

bool checkAccessFromListing(std::vector<PortEntry>& table, int64_t count, const std::string& listing,
                            const std::string& groups, const std::string& login)
{
    bool all = true;
    bool inDialout = groups.find("dialout") != std::string::npos;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && g_ascii_isspace(line.back()))
            line.pop_back();
        if (line.size() < 10)
            continue;
        // The device path ends the line; "/dev/ttyS1" must not match the line of ttyS10.
        std::string path = line.substr(line.rfind(' ') + 1);
        // Group read and write are characters 5 and 6, others' 8 and 9; the group from 18 on.
        DeviceRights rights{readWrite(line, 4), readWrite(line, 7), line.find("dialout", 17) != std::string::npos};
        for (int64_t k = 0; k < count && k < static_cast<int64_t>(table.size()); ++k) {
            if (path == portDevicePath(table[k]))
                all = judgeAccess(table[k], rights, inDialout, login) && all;
        }
    }
    return all;
}

bool checkAccessFromFiles(std::vector<PortEntry>& table, int64_t count, const std::string& devRoot,
                          const std::string& groups, const std::string& login)
{
    bool all = true;
    bool inDialout = groups.find("dialout") != std::string::npos;
    for (int64_t k = 0; k < count && k < static_cast<int64_t>(table.size()); ++k) {
        struct stat file;
        if (stat((devRoot + "/" + table[k].name).c_str(), &file) != 0)
            continue;
        const group* owner = getgrgid(file.st_gid);
        DeviceRights rights{(file.st_mode & S_IRGRP) && (file.st_mode & S_IWGRP),
                            (file.st_mode & S_IROTH) && (file.st_mode & S_IWOTH),
                            owner && std::string(owner->gr_name) == "dialout"};
        all = judgeAccess(table[k], rights, inDialout, login) && all;
    }
    return all;
}

bool runInXterm(const std::string& pipeline)
{
    const gchar* argv[] = {"xterm", "-e", pipeline.c_str(), nullptr};
    return g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                        GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

std::string programOutput(const std::vector<std::string>& argv)
{
    std::vector<gchar*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<gchar*>(argument.c_str()));
    arguments.push_back(nullptr);
    gchar* output = nullptr;
    std::string result;
    if (g_spawn_sync(nullptr, arguments.data(), nullptr,
                     GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr, &output,
                     nullptr, nullptr, nullptr) &&
        output)
        result = output;
    g_free(output);
    return result;
}

std::string shellQuoted(const std::string& text)
{
    gchar* quoted = g_shell_quote(text.c_str());
    std::string result(quoted);
    g_free(quoted);
    return result;
}

std::vector<std::string> acceptedAddedPorts(const std::vector<std::string>& names, const std::string& home,
                                            std::string& warning)
{
    std::vector<std::string> accepted;
    size_t count = 0;
    for (; count < names.size() && !names[count].empty(); ++count) {
        PortAddress address;
        // A file edited by hand keeps to what the settings page accepts.
        if (accepted.size() < maxAddedPorts && parsePortAddress(names[count], home, address).empty())
            accepted.push_back(address.name);
    }
    warning = count > maxAddedPorts ? "Quirlo.ini nennt " + std::to_string(count) +
                                          " manuelle Ports; übernommen werden nur die ersten " +
                                          std::to_string(maxAddedPorts) + "."
                                    : "";
    return accepted;
}
