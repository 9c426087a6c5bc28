// The search for instruments on the LAN, by liblxi's discovery.
#include "serial/lan_search.h"

#include <glib.h>
#include <ifaddrs.h>
#include <lxi.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "common/text.h"
#include "serial/vxi11_transport.h"

struct LanSearchShared {
    LanSearchHooks hooks; // touched in the main context only
    std::atomic<bool> stopped{false};
    bool ended = false;
};

namespace {

// An answer or an announced name as the list shows it: one line, control characters visible.
std::string idText(std::string text)
{
    while (!text.empty() && g_ascii_isspace(text.back()))
        text.pop_back();
    return stripBlanks(visibleText(text));
}

std::string bracketed(const std::string& address)
{
    return address.find(':') == std::string::npos ? address : "[" + address + "]";
}

// Hands work to the main context, where it is done unless the search stopped meanwhile.
void post(const std::shared_ptr<LanSearchShared>& shared, std::function<void(LanSearchShared&)> work)
{
    struct Posted {
        std::shared_ptr<LanSearchShared> shared;
        std::function<void(LanSearchShared&)> work;
    };
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto* posted = static_cast<Posted*>(data);
            if (!posted->shared->stopped)
                posted->work(*posted->shared);
            delete posted;
            return G_SOURCE_REMOVE;
        },
        new Posted{shared, std::move(work)});
}

struct Announcement {
    std::string port;
    std::string address;
    int number = 0;
    std::string name;
};

// What one worker has found so far. liblxi's callbacks carry no pointer of their own: they
// reach the collector of the thread that called the discovery.
struct Collector {
    std::shared_ptr<LanSearchShared> shared;
    std::set<std::string> listed;
    std::vector<Announcement> announced;

    void list(const FoundInstrument& found)
    {
        if (!listed.insert(found.port).second)
            return;
        post(shared, [found](LanSearchShared& search) { search.hooks.found(found); });
    }
};

thread_local Collector* collector = nullptr;

void onBroadcast(const char*, const char*) {}

void onDevice(const char* address, const char* id)
{
    if (collector && address)
        collector->list({"vxi11:" + bracketed(address), idText(id ? id : "")});
}

void onService(const char* address, const char* name, const char* service, int port)
{
    if (!collector || !address || !service)
        return;
    std::string named = announcedPort(address, service, port);
    if (!named.empty())
        collector->announced.push_back({named, address, port, name ? name : ""});
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

// One discovery at a time in the process: liblxi's discovery keeps state of its own.
std::mutex& discoveryTurn()
{
    static auto* turn = new std::mutex;
    return *turn;
}

void search(std::shared_ptr<LanSearchShared> shared, std::vector<std::string> interfaces, int stepMs)
{
    std::lock_guard<std::mutex> turn(discoveryTurn());
    startLxi();
    Collector found{shared, {}, {}};
    collector = &found;
    lxi_info_t info{onBroadcast, onDevice, onService};
    int done = 0;
    for (const std::string& name : interfaces) {
        if (shared->stopped)
            break;
        lxi_discover_if(&info, name.c_str(), stepMs, DISCOVER_VXI11);
        post(shared, [step = ++done](LanSearchShared& search) { search.hooks.stepped(step); });
    }
    if (!shared->stopped) {
        lxi_discover(&info, stepMs, DISCOVER_MDNS);
        for (const Announcement& instrument : found.announced) {
            if (shared->stopped || found.listed.count(instrument.port))
                continue;
            std::string id = askIdentity(instrument, stepMs);
            found.list({instrument.port, id.empty() ? instrument.name + " (keine Antwort auf *IDN?)" : id});
        }
        post(shared, [step = ++done](LanSearchShared& search) { search.hooks.stepped(step); });
    }
    collector = nullptr;
    post(shared, [](LanSearchShared& search) {
        search.ended = true;
        search.hooks.ended();
    });
}

} // namespace

std::string announcedPort(const std::string& address, const std::string& service, int port)
{
    if (address.empty())
        return "";
    if (service == "vxi-11" || service == "lxi")
        return "vxi11:" + bracketed(address);
    if (service == "scpi-raw" && port > 0 && port <= 65535)
        return "tcp:" + bracketed(address) + ":" + std::to_string(port);
    return "";
}

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

int LanSearch::start(LanSearchHooks hooks, int stepMs)
{
    stop();
    shared = std::make_shared<LanSearchShared>();
    shared->hooks = std::move(hooks);
    std::vector<std::string> interfaces = searchInterfaces();
    int steps = static_cast<int>(interfaces.size()) + 1;
    std::thread(search, shared, std::move(interfaces), stepMs).detach();
    return steps;
}

void LanSearch::stop()
{
    if (shared)
        shared->stopped = true;
    shared.reset();
}

bool LanSearch::running() const
{
    return shared && !shared->ended;
}
