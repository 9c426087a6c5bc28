// The search for instruments on the LAN, by liblxi's discovery.
#include "serial/lan_discovery.h"

#include <glib.h>
#include <ifaddrs.h>
#include <lxi.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <set>
#include <vector>

#include "common/text.h"
#include "serial/lan_search.h"

namespace {

// An answer or an announced name as the list shows it: one line, control characters (a TAB
// too) visible.
std::string idText(std::string text)
{
    while (!text.empty() && g_ascii_isspace(text.back()))
        text.pop_back();
    return stripBlanks(visibleText(text));
}

struct Announcement {
    std::string port;
    std::string address;
    int number = 0;
    std::string name;
};

// What the search has found so far. liblxi's callbacks carry no pointer of their own.
struct Collector {
    const std::function<void(const std::string&)>* tell = nullptr;
    std::set<std::string> listed;
    std::vector<Announcement> announced;

    void list(const std::string& port, const std::string& id)
    {
        if (listed.insert(port).second)
            (*tell)("found\t" + port + "\t" + id);
    }
};

Collector collector;

void onBroadcast(const char*, const char*) {}

void onDevice(const char* address, const char* id)
{
    if (address)
        collector.list(announcedPort(address, "vxi-11", 0), idText(id ? id : ""));
}

void onService(const char* address, const char* name, const char* service, int port)
{
    if (!address || !service)
        return;
    std::string named = announcedPort(address, service, port);
    if (!named.empty())
        collector.announced.push_back({named, address, port, name ? name : ""});
}

// The instrument's answer to *IDN?, "" where none came in time.
std::string askIdentity(const Announcement& instrument, int timeoutMs)
{
    bool raw = instrument.port.rfind("tcp:", 0) == 0;
    int link = lxi_connect(instrument.address.c_str(), raw ? instrument.number : 0, "inst0", timeoutMs,
                           raw ? RAW : VXI11);
    if (link < 0)
        return "";
    std::string query = raw ? "*IDN?\n" : "*IDN?";
    std::string answer(4096, '\0');
    int count = -1;
    if (lxi_send(link, query.data(), static_cast<int>(query.size()), timeoutMs) >= 0)
        count = lxi_receive(link, answer.data(), static_cast<int>(answer.size()), timeoutMs);
    lxi_disconnect(link);
    answer.resize(static_cast<size_t>(std::max(count, 0)));
    return idText(answer);
}

// The interfaces a broadcast goes out on: up, with an IPv4 address, broadcast or loopback.
std::vector<std::string> searchInterfaces()
{
    std::vector<std::string> names;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return names;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        bool wanted = entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET && (entry->ifa_flags & IFF_UP) &&
                      (entry->ifa_flags & (IFF_BROADCAST | IFF_LOOPBACK));
        if (wanted && std::find(names.begin(), names.end(), entry->ifa_name) == names.end())
            names.push_back(entry->ifa_name);
    }
    freeifaddrs(list);
    return names;
}

} // namespace

void discoverInstruments(int stepMs, const std::function<void(const std::string& line)>& tell)
{
    lxi_init();
    collector.tell = &tell;
    std::vector<std::string> interfaces = searchInterfaces();
    tell("steps\t" + std::to_string(interfaces.size() + 1));
    lxi_info_t info{onBroadcast, onDevice, onService};
    int done = 0;
    for (const std::string& name : interfaces) {
        lxi_discover_if(&info, name.c_str(), stepMs, DISCOVER_VXI11);
        tell("step\t" + std::to_string(++done));
    }
    lxi_discover(&info, stepMs, DISCOVER_MDNS);
    for (const Announcement& instrument : collector.announced) {
        if (collector.listed.count(instrument.port))
            continue;
        std::string id = askIdentity(instrument, stepMs);
        collector.list(instrument.port, id.empty() ? instrument.name + " (keine Antwort auf *IDN?)" : id);
    }
    tell("step\t" + std::to_string(++done));
    tell("end");
}
