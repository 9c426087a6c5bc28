// Reading the names of ports.
#include "serial/port_address.h"

#include <glib.h>

#include <algorithm>

#include "common/text.h"
#include "serial/port_discovery.h"

namespace {

constexpr size_t longestName = 255;

const char* const namesThatWork =
    " (ein Gerät unter /dev wie ttyUSB0, ein Pfad ab / oder ~/, tcp:RECHNER:PORT oder vxi11:RECHNER)";

// A name under /dev: parts of letters, digits, "_" and "-", separated by single "/", none
// starting with "-", which would read as an option of a program that gets the name.
bool devName(const std::string& name)
{
    if (name.empty())
        return false;
    size_t start = 0;
    for (;;) {
        size_t slash = name.find('/', start);
        std::string part = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!validDeviceName(part) || part.front() == '-')
            return false;
        if (slash == std::string::npos)
            return true;
        start = slash + 1;
    }
}

// A host name or address as typed (an IPv6 address in brackets): "" or why it is none.
std::string hostRefusal(const std::string& host, bool bracketed)
{
    const char* allowed = bracketed ? "0123456789abcdefABCDEF:." : nullptr;
    bool hostFine = std::all_of(host.begin(), host.end(), [&](char c) {
        return allowed ? std::string(allowed).find(c) != std::string::npos
                       : g_ascii_isalnum(c) || c == '.' || c == '-';
    });
    return hostFine && host.front() != '-' ? "" : "Ungültiger Rechnername: " + host;
}

std::string parseNetwork(const std::string& rest, PortAddress& address)
{
    std::string host, port;
    bool bracketed = !rest.empty() && rest.front() == '[';
    size_t colon = bracketed ? rest.find("]:") : rest.rfind(':');
    if (colon == std::string::npos)
        return "Im Netzwerknamen fehlt die Portnummer: tcp:RECHNER:PORT";
    host = bracketed ? rest.substr(1, colon - 1) : rest.substr(0, colon);
    port = rest.substr(colon + (bracketed ? 2 : 1));
    if (host.empty())
        return "Im Netzwerknamen fehlt der Rechner: tcp:RECHNER:PORT";
    if (std::string refused = hostRefusal(host, bracketed); !refused.empty())
        return refused;
    bool digits = !port.empty() && port.size() <= 5 &&
                  std::all_of(port.begin(), port.end(), [](char c) { return g_ascii_isdigit(c); });
    int number = digits ? std::stoi(port) : 0;
    if (number < 1 || number > 65535)
        return "Ungültige Portnummer (1 bis 65535): " + port;
    address.kind = PortAddress::Kind::Network;
    address.host = host;
    address.port = number;
    address.name = "tcp:" + (bracketed ? "[" + host + "]" : host) + ":" + std::to_string(number);
    return "";
}

// "HOST", "[IPV6]", each optionally followed by "/INSTRUMENT" (letters, digits, "," and "_",
// such as "inst1" or a gateway's "gpib0,5").
std::string parseVxi11(const std::string& rest, PortAddress& address)
{
    bool bracketed = !rest.empty() && rest.front() == '[';
    size_t end = bracketed ? rest.find(']') : rest.find('/');
    if (bracketed && end == std::string::npos)
        return "Ungültiger Rechnername: " + rest;
    std::string host = bracketed ? rest.substr(1, end - 1) : rest.substr(0, end);
    std::string after = end == std::string::npos ? "" : rest.substr(end + (bracketed ? 1 : 0));
    if (host.empty())
        return "Im Netzwerknamen fehlt der Rechner: vxi11:RECHNER";
    if (std::string refused = hostRefusal(host, bracketed); !refused.empty())
        return refused;
    std::string instrument = after.empty() ? "inst0" : after.substr(1);
    bool instrumentFine = (after.empty() || after.front() == '/') && !instrument.empty() &&
                          std::all_of(instrument.begin(), instrument.end(),
                                      [](char c) { return g_ascii_isalnum(c) || c == ',' || c == '_'; });
    if (!instrumentFine)
        return "Ungültiger Gerätename im Netz: " + after;
    address.kind = PortAddress::Kind::Vxi11;
    address.host = host;
    address.instrument = instrument;
    address.name = "vxi11:" + (bracketed ? "[" + host + "]" : host) + (instrument == "inst0" ? "" : "/" + instrument);
    return "";
}

} // namespace

std::string parsePortAddress(const std::string& typed, const std::string& home, PortAddress& address)
{
    address = PortAddress{};
    std::string text = stripBlanks(typed);
    if (text.empty())
        return "Kein Port angegeben";
    if (text.size() > longestName)
        return "Der Name ist zu lang (höchstens 255 Zeichen)";
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "Steuerzeichen sind im Namen nicht erlaubt";
    if (g_ascii_strncasecmp(text.c_str(), "tcp:", 4) == 0)
        return parseNetwork(text.substr(4), address);
    if (g_ascii_strncasecmp(text.c_str(), "vxi11:", 6) == 0)
        return parseVxi11(text.substr(6), address);
    if (text.rfind("~/", 0) == 0 && !home.empty())
        text = home + text.substr(1);
    if (text.size() > longestName)
        return "Der Name ist zu lang (höchstens 255 Zeichen)";
    if (text.rfind("/dev/", 0) == 0 && devName(text.substr(5))) {
        address.name = text.substr(5);
        return "";
    }
    if (text.front() == '/' && text.size() > 1) {
        address.kind = PortAddress::Kind::Path;
        address.name = text;
        return "";
    }
    if (devName(text)) {
        address.name = text;
        return "";
    }
    return "Ungültiger Gerätename: " + text + namesThatWork;
}

PortAddress portAddressOf(const std::string& name)
{
    PortAddress address;
    if (parsePortAddress(name, "", address).empty())
        return address;
    // A name that no longer reads as one (a file edited by hand): a path stays a path.
    address = PortAddress{};
    address.name = name;
    if (!name.empty() && name.front() == '/')
        address.kind = PortAddress::Kind::Path;
    return address;
}
