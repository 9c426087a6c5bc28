// A simulated laboratory power supply on a pseudo-terminal, for tests, benchmarks and demos:
// it prints its device name ("pts/N") as its first line and then answers IEEE 488.2 style
// commands and queries on the terminal until it is ended. With --tcp it is an instrument on the
// network instead, on the loopback address only, and prints "tcp:127.0.0.1:PORT".
//
//   sim_instrument [--out-term CODES] [--delay MS] [--jitter MS] [--split MS] [--silent HEADER]...
//                  [--log FILE] [--tcp PORT] [--stream MS] [--echo] [--link PATH]
//                  [--drop-after N [--return-after MS]] [--vxi11] [--help]
//
// --out-term  character codes appended to every answer, ";"-separated (default 13;10)
// --delay     milliseconds before each answer
// --jitter    up to this many milliseconds more before each answer, drawn at random (a fixed
//             seed) and written to the log after the line as "+MS"
// --split     answer in two parts with this many milliseconds between them
// --silent    never answer this command header (for example "MEAS:VOLT?")
// --log       append every received line to FILE with a timestamp in microseconds
// --tcp       listen on 127.0.0.1:PORT (0: a free port), one connection at a time
// --stream    send a line of its own every MS milliseconds, as a data logger does:
//             "DATA n,<voltage>" with n counting from 1; a line the terminal has no room for is
//             dropped, so a peer that does not read cannot stop the instrument
// --echo      send every received line back first, as a serial console does
// --link      make PATH a symbolic link to the terminal, as udev's /dev/serial/by-id/ links or
//             socat's link= are
// --drop-after  go away when the Nth line comes, without answering it, as an adapter pulled
//             out or an instrument switched off: the terminal (and its link) or the network
//             port is gone
// --return-after  come back that many milliseconds after going away: a new terminal behind
//             the same link, or the same network port
// --vxi11     serve the VXI-11 core channel instead (registered with rpcbind, which must run;
//             one such instrument per machine), and print "vxi11:127.0.0.1"; --delay, --silent,
//             --out-term and --log apply
// --late      (VXI-11) the first read after this command header times out, and its answer
//             waits for the next read, as an instrument's that answers too late
// --help      print the options and end
//
// Commands and queries (any case; CR, LF or both end a line):
//   *IDN?  *RST  *CLS  *ESR?  SYST:ERR?  SYST:CLE  VOLT <f>  VOLT?  CURR <f>  CURR?
//   MEAS:VOLT? (drifts over time)  MEAS:ALL? (voltage, current and power, comma-separated)
//   ECHO? <text> (answers the text, so that a client sees which query an answer belongs to)
//   DATA:BLOCK? <n> (n bytes, 0 to 16000000, as an IEEE 488.2 definite-length block "#<d><n><bytes>"
//   whose byte k is k mod 251)
// A wrong command queues "-100,Command error" and sets the command-error bit of *ESR?; a value
// out of range queues "-222,Data out of range" and sets the execution-error bit.
#include <arpa/inet.h>
#include <rpc/pmap_clnt.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "vxi11.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double maxBlock = 16000000;

const char* const usage =
    "Usage: sim_instrument [OPTION]...\n"
    "A simulated power supply on a pseudo-terminal (or on 127.0.0.1 with --tcp); prints its\n"
    "device name first, then answers SCPI-style commands until it is ended.\n"
    "  --out-term CODES  answer terminator as character codes, e.g. 13;10 (the default)\n"
    "  --delay MS        wait before each answer\n"
    "  --jitter MS       wait up to this much more, at random\n"
    "  --split MS        send each answer in two parts, this far apart\n"
    "  --silent HEADER   never answer this command (repeatable)\n"
    "  --log FILE        append every received line with a timestamp\n"
    "  --tcp PORT        listen on 127.0.0.1:PORT instead (0: a free port)\n"
    "  --stream MS       send a line \"DATA n,U\" of its own every MS milliseconds\n"
    "  --echo            send every received line back before its answer\n"
    "  --link PATH       make PATH a symbolic link to the terminal\n"
    "  --drop-after N    go away at the Nth line, without answering it\n"
    "  --return-after MS come back this long after going away (same link or port)\n"
    "  --vxi11           serve VXI-11 (through rpcbind) instead of a terminal\n"
    "  --late HEADER     (VXI-11) its answer comes after the first read timed out\n"
    "  --help            print this and end\n";

struct Options {
    std::string outTerminator = "\r\n";
    int delayMs = 0;
    int jitterMs = 0;
    int splitMs = -1;
    std::set<std::string> silent;
    std::string logFile;
    int tcpPort = -1;
    int streamMs = 0;
    bool echo = false;
    std::string link;
    int dropAfter = 0;
    int returnAfterMs = -1;
    bool vxi11 = false;
    std::set<std::string> late; // VXI-11: the first read after these queries times out
};

enum StatusBit { QueryError = 4, DeviceError = 8, ExecutionError = 16, CommandError = 32, PowerOn = 128 };

struct Instrument {
    double volt = 0;
    double curr = 0.1;
    int esr = PowerOn;
    std::deque<std::string> errors;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    void reset()
    {
        volt = 0;
        curr = 0.1;
    }
    void fail(int bit, const std::string& error)
    {
        esr |= bit;
        if (errors.size() < 20)
            errors.push_back(error);
    }
};

volatile std::sig_atomic_t stopping = 0;

// The time stamp of a line in the log: microseconds on a clock that never goes back.
long long microsecondsNow()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void onSignal(int)
{
    stopping = 1;
}

std::string codesToChars(const std::string& list)
{
    std::string chars;
    size_t start = 0;
    for (;;) {
        size_t end = list.find(';', start);
        int code = std::atoi(list.substr(start, end == std::string::npos ? std::string::npos : end - start).c_str());
        if (code > 0 && code < 256)
            chars += static_cast<char>(code);
        if (end == std::string::npos)
            return chars;
        start = end + 1;
    }
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

// The answer to one line, "" for none.
std::string answer(Instrument& device, const std::string& line)
{
    std::string command = upper(line);
    size_t blank = command.find(' ');
    std::string header = command.substr(0, blank);
    std::string argument = blank == std::string::npos ? "" : command.substr(blank + 1);
    char* end = nullptr;
    double value = std::strtod(argument.c_str(), &end);
    bool numeric = !argument.empty() && end && *end == '\0';

    if (header == "*IDN?")
        return "QUIRLO,SIM-PS1,0001,1.0";
    if (header == "*RST") {
        device.reset();
        return "";
    }
    if (header == "*CLS") {
        device.esr = 0;
        device.errors.clear();
        return "";
    }
    if (header == "*ESR?") {
        int esr = device.esr;
        device.esr = 0;
        return std::to_string(esr);
    }
    if (header == "SYST:ERR?") {
        if (device.errors.empty())
            return "0,No error";
        std::string error = device.errors.front();
        device.errors.pop_front();
        return error;
    }
    if (header == "SYST:CLE") {
        device.errors.clear();
        return "";
    }
    if (header == "VOLT?" || header == "VOLT:LEV?")
        return number(device.volt);
    if (header == "CURR?")
        return number(device.curr);
    if (header == "MEAS:VOLT?") {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - device.start).count();
        return number(device.volt + 0.001 * std::sin(seconds));
    }
    if (header == "ECHO?")
        return argument;
    // A waveform as a scope sends it: IEEE 488.2 definite-length block, every byte value in it,
    // the terminator's too.
    if (header == "DATA:BLOCK?" && numeric && value >= 0 && value <= maxBlock) {
        size_t size = static_cast<size_t>(value);
        std::string digits = std::to_string(size);
        std::string block = "#" + std::to_string(digits.size()) + digits;
        for (size_t k = 0; k < size; ++k)
            block += static_cast<char>(k % 251);
        return block;
    }
    if (header == "MEAS:ALL?")
        return number(device.volt) + "," + number(device.curr) + "," + number(device.volt * device.curr);
    if ((header == "VOLT" || header == "CURR") && numeric) {
        double limit = header == "VOLT" ? 30 : 5;
        if (value < 0 || value > limit)
            device.fail(ExecutionError, "-222,Data out of range");
        else
            (header == "VOLT" ? device.volt : device.curr) = value;
        return "";
    }
    device.fail(header.back() == '?' ? QueryError | CommandError : CommandError, "-100,Command error");
    return "";
}

// Writes the bytes, waiting while the terminal is full; a signal to end stops the wait, so the
// instrument ends even while nobody reads its answers.
void writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size() && !stopping) {
        ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR && errno != EAGAIN)
            return;
        if (written > 0)
            done += static_cast<size_t>(written);
        // A long answer waits for the peer's room instead of spinning.
        pollfd room = {fd, POLLOUT, 0};
        if (written < 0 && errno == EAGAIN && poll(&room, 1, 100) < 0 && errno != EINTR)
            return;
    }
}

// Sends the instrument's own line number n when the peer has room for it.
void streamLine(int fd, const Instrument& device, int n, const std::string& terminator)
{
    pollfd room = {fd, POLLOUT, 0};
    if (fd < 0 || poll(&room, 1, 0) != 1 || !(room.revents & POLLOUT))
        return;
    std::string line = "DATA " + std::to_string(n) + "," + number(device.volt) + terminator;
    static_cast<void>(write(fd, line.data(), line.size()));
}

// A socket that takes connections on 127.0.0.1:port (0: a free one); it prints its address.
// Listens on the port (0: a free one, which port then names) and prints the address.
int listenOnLoopback(int& port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    port = ntohs(address.sin_port);
    std::printf("tcp:127.0.0.1:%d\n", port);
    std::fflush(stdout);
    return fd;
}

// A new terminal in raw mode, its name printed, and the link (if any) pointing at it.
bool openTerminal(int& master, int& keepAlive, const std::string& link)
{
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return false;
    const char* path = ptsname(master);
    // Holding the other end open keeps the terminal alive while the peer closes and reopens
    // it, and keeps the master from reporting a hang-up (which would wake the loop for ever).
    keepAlive = open(path, O_RDWR | O_NOCTTY);
    termios raw;
    if (keepAlive < 0 || tcgetattr(keepAlive, &raw) != 0)
        return false;
    cfmakeraw(&raw);
    tcsetattr(keepAlive, TCSANOW, &raw);
    // The link changes in one step, as udev replaces its links.
    std::string fresh = link + ".new";
    if (!link.empty() && (symlink(path, fresh.c_str()) != 0 || rename(fresh.c_str(), link.c_str()) != 0))
        return false;
    std::printf("%s\n", path + 5);
    std::fflush(stdout);
    return true;
}

// Closes what a peer reaches the instrument through: the terminal and its link, or the
// connection and the listening port.
void goAway(int& master, int& keepAlive, int& listener, const std::string& link)
{
    for (int* fd : {&master, &keepAlive, &listener}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    if (!link.empty())
        unlink(link.c_str());
}

void sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

// The VXI-11 core channel: the instrument behind every link, its answers waiting for the
// client's reads. rpcgen's dispatcher calls these; they keep their results for it.
extern "C" void device_core_1(svc_req* request, SVCXPRT* transport);

namespace vxi11 {

Instrument* device = nullptr;
Options* options = nullptr;
std::ofstream* log = nullptr;
std::string waiting; // answer bytes not read yet
bool lateRead = false; // the next read times out, the answer stays waiting
long links = 0;

enum Error { NoError = 0, NotSupported = 8, IoTimeout = 15 };
enum Reason { RequestCount = 1, End = 4 };

// Serves the core channel, registered with rpcbind, until the instrument is ended.
int serve()
{
    SVCXPRT* transport = svctcp_create(RPC_ANYSOCK, 0, 0);
    pmap_unset(DEVICE_CORE, DEVICE_CORE_VERSION);
    if (!transport || !svc_register(transport, DEVICE_CORE, DEVICE_CORE_VERSION, device_core_1, IPPROTO_TCP)) {
        std::fprintf(stderr, "sim_instrument: VXI-11 not registered (does rpcbind run?)\n");
        return 1;
    }
    std::printf("vxi11:127.0.0.1\n");
    std::fflush(stdout);
    while (!stopping) {
        std::vector<pollfd> watched(svc_pollfd, svc_pollfd + svc_max_pollfd);
        if (poll(watched.data(), watched.size(), 100) > 0)
            svc_getreq_poll(watched.data(), static_cast<int>(watched.size()));
    }
    svc_unregister(DEVICE_CORE, DEVICE_CORE_VERSION);
    return 0;
}

} // namespace vxi11

extern "C" {

Create_LinkResp* create_link_1_svc(Create_LinkParms*, svc_req*)
{
    static Create_LinkResp result;
    vxi11::waiting.clear();
    result = {vxi11::NoError, ++vxi11::links, 0, 1 << 20};
    return &result;
}

Device_WriteResp* device_write_1_svc(Device_WriteParms* parameters, svc_req*)
{
    static Device_WriteResp result;
    std::string data(parameters->data.data_val, parameters->data.data_len);
    for (size_t end; (end = data.find_first_of("\r\n")) != std::string::npos || !data.empty();) {
        std::string line = data.substr(0, end);
        data.erase(0, end == std::string::npos ? data.size() : end + 1);
        if (line.empty())
            continue;
        if (vxi11::log->is_open())
            *vxi11::log << microsecondsNow() << ' ' << line << std::endl;
        std::string header = upper(line.substr(0, line.find(' ')));
        std::string reply = answer(*vxi11::device, line);
        if (!reply.empty() && !vxi11::options->silent.count(header))
            vxi11::waiting += reply + vxi11::options->outTerminator;
        vxi11::lateRead = vxi11::options->late.count(header) > 0;
    }
    result = {vxi11::NoError, parameters->data.data_len};
    return &result;
}

Device_ReadResp* device_read_1_svc(Device_ReadParms* parameters, svc_req*)
{
    static Device_ReadResp result;
    static std::string sent;
    sleepMs(vxi11::options->delayMs);
    if (vxi11::waiting.empty() || vxi11::lateRead) {
        vxi11::lateRead = false;
        result = {vxi11::IoTimeout, 0, {0, nullptr}};
        return &result;
    }
    size_t count = std::min<size_t>(parameters->requestSize, vxi11::waiting.size());
    sent = vxi11::waiting.substr(0, count);
    vxi11::waiting.erase(0, count);
    result = {vxi11::NoError, vxi11::waiting.empty() ? vxi11::End : vxi11::RequestCount,
              {static_cast<u_int>(sent.size()), sent.data()}};
    return &result;
}

Device_ReadStbResp* device_readstb_1_svc(Device_GenericParms*, svc_req*)
{
    static Device_ReadStbResp result;
    int stb = (vxi11::device->esr ? 0x20 : 0) | (vxi11::device->errors.empty() ? 0 : 0x04) |
              (vxi11::waiting.empty() ? 0 : 0x10);
    result = {vxi11::NoError, static_cast<u_char>(stb)};
    return &result;
}

Device_Error* device_clear_1_svc(Device_GenericParms*, svc_req*)
{
    static Device_Error result;
    vxi11::waiting.clear();
    result = {vxi11::NoError};
    return &result;
}

Device_Error* destroy_link_1_svc(Device_Link*, svc_req*)
{
    static Device_Error result;
    vxi11::waiting.clear();
    result = {vxi11::NoError};
    return &result;
}

// What a power supply does without: all of it answers "fine" or "not supported".
Device_Error* accepted()
{
    static Device_Error result;
    result = {vxi11::NoError};
    return &result;
}

Device_Error* notSupported()
{
    static Device_Error result;
    result = {vxi11::NotSupported};
    return &result;
}

Device_Error* device_trigger_1_svc(Device_GenericParms*, svc_req*) { return accepted(); }
Device_Error* device_remote_1_svc(Device_GenericParms*, svc_req*) { return accepted(); }
Device_Error* device_local_1_svc(Device_GenericParms*, svc_req*) { return accepted(); }
Device_Error* device_lock_1_svc(Device_LockParms*, svc_req*) { return accepted(); }
Device_Error* device_unlock_1_svc(Device_Link*, svc_req*) { return accepted(); }
Device_Error* device_enable_srq_1_svc(Device_EnableSrqParms*, svc_req*) { return notSupported(); }
Device_Error* create_intr_chan_1_svc(Device_RemoteFunc*, svc_req*) { return notSupported(); }
Device_Error* destroy_intr_chan_1_svc(void*, svc_req*) { return notSupported(); }

Device_DocmdResp* device_docmd_1_svc(Device_DocmdParms*, svc_req*)
{
    static Device_DocmdResp result;
    result = {vxi11::NotSupported, {0, nullptr}};
    return &result;
}

int device_core_1_freeresult(SVCXPRT*, xdrproc_t, caddr_t)
{
    return 1;
}

} // extern "C"

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (name == "--echo") {
            options.echo = true;
            continue;
        }
        if (name == "--vxi11") {
            options.vxi11 = true;
            continue;
        }
        bool valued = name == "--out-term" || name == "--delay" || name == "--jitter" || name == "--split" ||
                      name == "--silent" || name == "--log" || name == "--tcp" || name == "--stream" ||
                      name == "--link" || name == "--drop-after" || name == "--return-after" || name == "--late";
        if (!valued || i + 1 == argc) {
            std::fprintf(stderr, valued ? "sim_instrument: %s needs a value\n%s" : "sim_instrument: unknown option %s\n%s",
                         name.c_str(), usage);
            return 2;
        }
        std::string value = argv[++i];
        if (name == "--out-term")
            options.outTerminator = codesToChars(value);
        else if (name == "--delay")
            options.delayMs = std::atoi(value.c_str());
        else if (name == "--jitter")
            options.jitterMs = std::max(0, std::atoi(value.c_str()));
        else if (name == "--split")
            options.splitMs = std::atoi(value.c_str());
        else if (name == "--silent")
            options.silent.insert(upper(value));
        else if (name == "--late")
            options.late.insert(upper(value));
        else if (name == "--log")
            options.logFile = value;
        else if (name == "--tcp")
            options.tcpPort = std::atoi(value.c_str());
        else if (name == "--link")
            options.link = value;
        else if (name == "--drop-after")
            options.dropAfter = std::max(0, std::atoi(value.c_str()));
        else if (name == "--return-after")
            options.returnAfterMs = std::max(0, std::atoi(value.c_str()));
        else
            options.streamMs = std::max(0, std::atoi(value.c_str()));
    }

    if (options.vxi11) {
        struct sigaction ending = {};
        ending.sa_handler = onSignal;
        sigaction(SIGTERM, &ending, nullptr);
        sigaction(SIGINT, &ending, nullptr);
        std::ofstream log;
        if (!options.logFile.empty())
            log.open(options.logFile, std::ios::app);
        Instrument device;
        vxi11::device = &device;
        vxi11::options = &options;
        vxi11::log = &log;
        return vxi11::serve();
    }
    // The peer: the terminal's master, or the connection of the moment on the network.
    int master = -1, keepAlive = -1, listener = -1;
    if (options.tcpPort >= 0) {
        listener = listenOnLoopback(options.tcpPort);
        if (listener < 0)
            return 1;
    } else if (!openTerminal(master, keepAlive, options.link)) {
        return 1;
    }
    // Without SA_RESTART: a write blocked on a full terminal returns, and the instrument ends.
    struct sigaction ending = {};
    ending.sa_handler = onSignal;
    sigaction(SIGTERM, &ending, nullptr);
    sigaction(SIGINT, &ending, nullptr);
    // A connection that its peer closed mid-answer ends that answer, not the instrument.
    signal(SIGPIPE, SIG_IGN);

    std::ofstream log;
    if (!options.logFile.empty())
        log.open(options.logFile, std::ios::app);
    Instrument device;
    std::minstd_rand random(1);
    std::string pending;
    char buffer[4096];
    auto nextLine = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.streamMs);
    int streamed = 0, received = 0;
    bool away = false;
    std::chrono::steady_clock::time_point back;
    while (!stopping) {
        if (away) {
            if (options.returnAfterMs < 0 || std::chrono::steady_clock::now() < back) {
                sleepMs(10);
                continue;
            }
            away = false;
            bool returned = options.tcpPort >= 0 ? (listener = listenOnLoopback(options.tcpPort)) >= 0
                                                 : openTerminal(master, keepAlive, options.link);
            if (!returned)
                return 1;
        }
        // A signal that comes between the check above and the wait would be missed by a wait
        // without end; this one looks again ten times a second.
        int timeout = 100;
        if (options.streamMs > 0) {
            auto now = std::chrono::steady_clock::now();
            if (now >= nextLine) {
                nextLine += std::chrono::milliseconds(options.streamMs);
                // Behind by more than a line (the machine was busy): the stream goes on from now.
                if (nextLine < now)
                    nextLine = now + std::chrono::milliseconds(options.streamMs);
                streamLine(master, device, ++streamed, options.outTerminator);
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextLine - now).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, 100));
        }
        pollfd watch[2] = {{master, POLLIN, 0}, {listener, POLLIN, 0}};
        if (poll(watch, 2, timeout) <= 0)
            continue;
        if (watch[1].revents & POLLIN) {
            // A new connection takes the place of the one before.
            int accepted = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                if (master >= 0)
                    close(master);
                master = accepted;
                pending.clear();
            }
            continue;
        }
        if (!(watch[0].revents & (POLLIN | POLLHUP)))
            continue;
        ssize_t count = read(master, buffer, sizeof buffer);
        if (count == 0 && listener >= 0) {
            close(master);
            master = -1;
            continue;
        }
        if (count <= 0)
            continue;
        pending.append(buffer, static_cast<size_t>(count));
        size_t end;
        while ((end = pending.find_first_of("\r\n")) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.empty())
                continue;
            int jitter = options.jitterMs > 0 ? static_cast<int>(random() % (options.jitterMs + 1)) : 0;
            if (log.is_open()) {
                log << microsecondsNow() << ' ' << line;
                if (options.jitterMs > 0)
                    log << " +" << jitter;
                log << std::endl;
            }
            // Pulled out while the line was on its way: it is received and never answered.
            if (options.dropAfter > 0 && ++received == options.dropAfter) {
                goAway(master, keepAlive, listener, options.link);
                away = true;
                back = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.returnAfterMs);
                pending.clear();
                break;
            }
            // A console echoes what it was sent, with the terminator the instrument answers with.
            if (options.echo)
                writeAll(master, line + options.outTerminator);
            std::string header = upper(line.substr(0, line.find(' ')));
            std::string reply = answer(device, line);
            if (!reply.empty() && !options.silent.count(header)) {
                reply += options.outTerminator;
                sleepMs(options.delayMs + jitter);
                if (options.splitMs >= 0) {
                    size_t half = reply.size() / 2;
                    writeAll(master, reply.substr(0, half));
                    sleepMs(options.splitMs);
                    writeAll(master, reply.substr(half));
                } else {
                    writeAll(master, reply);
                }
            }
        }
        // A peer that never ends its lines cannot make the instrument grow without bound.
        if (pending.size() > 65536)
            pending.clear();
    }
    for (int fd : {keepAlive, master, listener}) {
        if (fd >= 0)
            close(fd);
    }
    return 0;
}
