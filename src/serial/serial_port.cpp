// The termios layer through which every byte reaches a serial device.
#include "serial/serial_port.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gio/gio.h>
#include <glib.h>

#include "serial/lock_files.h"

namespace {

// Handle number to open descriptor; an absent handle is a closed port.
std::map<int64_t, int> openPorts;
// Handles whose device has gone away (unplugged, or the other end of a terminal closed).
std::map<int64_t, bool> lostPorts;
// The device path of each open handle, whose lock file goes at close.
std::map<int64_t, std::string> lockedPaths;
// Handles that are network connections.
std::map<int64_t, bool> networkPorts;

bool isNetwork(int64_t handle)
{
    auto found = networkPorts.find(handle);
    return found != networkPorts.end() && found->second;
}

// A connection whose peer closed it, or that broke: a network port's hang-up.
bool peerGone(int fd)
{
    pollfd watch{fd, POLLIN | POLLRDHUP, 0};
    if (poll(&watch, 1, 0) <= 0)
        return false;
    if (watch.revents & (POLLRDHUP | POLLHUP | POLLERR))
        return true;
    char byte;
    return (watch.revents & POLLIN) && recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// How long a write waits for a line that takes no more bytes (handshake held, buffer full)
// before it gives up.
constexpr int stalledWriteMs = 1000;

// Errors that mean the device is no longer there, not that nothing waits.
bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

void noteFailure(int64_t handle)
{
    if (deviceGone(errno))
        lostPorts[handle] = true;
}

// A hang-up that the device reports before anything fails.
bool hungUp(int fd)
{
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(watch.revents & POLLIN);
}

int descriptorOf(int64_t handle)
{
    auto found = openPorts.find(handle);
    return found == openPorts.end() ? -1 : found->second;
}

bool speedOf(int64_t baud, speed_t& speed)
{
    static const std::pair<int64_t, speed_t> speeds[] = {
        {0, B0},       {50, B50},       {75, B75},       {110, B110},     {150, B150},
        {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},
        {4800, B4800}, {9600, B9600},   {19200, B19200}, {38400, B38400}, {57600, B57600},
        {115200, B115200},
    };
    for (const auto& [rate, constant] : speeds) {
        if (rate == baud) {
            speed = constant;
            return true;
        }
    }
    return false;
}

} // namespace

bool buildSerialConfig(int64_t baud, int64_t parity, int64_t dataBits, float stopBits,
                       int64_t handshake, termios& config)
{
    speed_t speed;
    if (!speedOf(baud, speed))
        return false;
    tcflag_t size;
    switch (dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    if (handshake < 0 || handshake > 3)
        return false;

    std::memset(&config, 0, sizeof config);
    config.c_iflag = IGNPAR;
    config.c_cflag = size | CREAD | CLOCAL;
    if (stopBits != 1.0f)
        config.c_cflag |= CSTOPB;
    switch (parity) {
    case 1: config.c_cflag |= PARENB; break;
    case 2: config.c_cflag |= CMSPAR | PARENB | PARODD; break;
    case 3: config.c_cflag |= PARENB | PARODD; break;
    case 4: config.c_cflag |= CMSPAR | PARENB; break;
    default: break;
    }
    if (handshake == 2)
        config.c_cflag |= CRTSCTS;
    if (handshake == 3)
        config.c_iflag |= IXON | IXOFF | IXANY;
    config.c_cc[VEOF] = 4;
    config.c_cc[VMIN] = 1;
    config.c_cc[VTIME] = 0;
    config.c_cc[VSTART] = 17;
    config.c_cc[VSTOP] = 19;
    cfsetispeed(&config, speed);
    cfsetospeed(&config, speed);
    return true;
}

namespace {

std::map<int64_t, OpenFailureReason> openFailures;

OpenFailure kindOfOpenError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return OpenFailure::Access;
    case ENOENT:
    case ENODEV:
    case ENXIO: return OpenFailure::Missing;
    case EBUSY: return OpenFailure::Busy;
    default: return OpenFailure::Other;
    }
}

// Records why the open failed, closes what it had opened, and gives the failed result.
bool refuseOpen(int64_t handle, OpenFailure kind, int error, int fd = -1)
{
    openFailures[handle] = {kind, error, 0, "", ""};
    if (fd >= 0)
        close(fd);
    return false;
}

bool refuseLocked(int64_t handle, const std::string& lockFile, int64_t owner, int fd)
{
    close(fd);
    openFailures[handle] = {OpenFailure::Locked, 0, owner, lockFile, ""};
    return false;
}

} // namespace

bool serialOpen(int64_t handle, const char* devicePath, int64_t baud, int64_t parity,
                int64_t dataBits, float stopBits, int64_t handshake, int64_t, int64_t)
{
    termios config;
    if (!buildSerialConfig(baud, parity, dataBits, stopBits, handshake, config))
        return refuseOpen(handle, OpenFailure::Settings, 0);
    if (openPorts.count(handle))
        return refuseOpen(handle, OpenFailure::AlreadyOpen, 0);
    if (!devicePath)
        return refuseOpen(handle, OpenFailure::Missing, ENOENT);
    // What the path names is asked of the file system: a terminal is a character device.
    struct stat file;
    if (stat(devicePath, &file) != 0)
        return refuseOpen(handle, kindOfOpenError(errno), errno);
    if (!S_ISCHR(file.st_mode))
        return refuseOpen(handle, OpenFailure::NotATerminal, ENOTTY);
    int fd = open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuseOpen(handle, kindOfOpenError(errno), errno);
    if (!isatty(fd))
        return refuseOpen(handle, OpenFailure::NotATerminal, ENOTTY, fd);
    // One program at a time: the device is taken exclusively, and locks that other programs
    // check tell them it is in use; a device locked by another program is refused.
    int64_t owner = 0;
    std::string lockFile;
    if (!takeDeviceLock(devicePath, owner, lockFile))
        return refuseLocked(handle, lockFile, owner, fd);
    // A lock that another handle of this process holds stays with that handle.
    auto refuseUnlocking = [&](OpenFailure kind, int error) {
        if (owner != getpid())
            releaseDeviceLock(devicePath);
        return refuseOpen(handle, kind, error, fd);
    };
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return refuseUnlocking(OpenFailure::Busy, errno);
    ioctl(fd, TIOCEXCL);
    tcflush(fd, TCIFLUSH);
    // A port whose line settings the driver refused would talk at the wrong speed: not open.
    if (tcsetattr(fd, TCSANOW, &config) != 0)
        return refuseUnlocking(OpenFailure::DriverRefused, errno);
    openPorts[handle] = fd;
    lockedPaths[handle] = devicePath;
    lostPorts.erase(handle);
    openFailures.erase(handle);
    return true;
}

namespace {

std::function<bool()> connectCancelled;

struct Connecting {
    bool done = false;
    bool timedOut = false;
    bool cancelled = false;
    GSocketConnection* connection = nullptr;
    GError* error = nullptr;
};

void connected(GObject* client, GAsyncResult* result, gpointer data)
{
    auto* state = static_cast<Connecting*>(data);
    state->connection = g_socket_client_connect_finish(G_SOCKET_CLIENT(client), result, &state->error);
    state->done = true;
}

OpenFailureReason connectFailure(const Connecting& state)
{
    const GError* error = state.error;
    if (state.timedOut)
        return {OpenFailure::TimedOut, 0, 0, "", ""};
    if (state.cancelled)
        return {OpenFailure::Cancelled, 0, 0, "", ""};
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED))
        return {OpenFailure::Refused, ECONNREFUSED, 0, "", ""};
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE))
        return {OpenFailure::Unreachable, EHOSTUNREACH, 0, "", ""};
    if (error && error->domain == G_RESOLVER_ERROR)
        return {OpenFailure::UnknownHost, 0, 0, "", ""};
    return {OpenFailure::Other, 0, 0, "", error ? error->message : "unbekannt"};
}

// Short commands go out at once; a peer that vanished is noticed within about half a minute.
void tuneConnection(int fd)
{
    int on = 1, idle = 10, interval = 5, count = 3;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

} // namespace

bool serialOpenNetwork(int64_t handle, const std::string& host, int port)
{
    if (openPorts.count(handle))
        return refuseOpen(handle, OpenFailure::AlreadyOpen, 0);
    if (port < 1 || port > 65535 || host.empty())
        return refuseOpen(handle, OpenFailure::UnknownHost, 0);
    Connecting state;
    GSocketClient* client = g_socket_client_new();
    GCancellable* cancel = g_cancellable_new();
    GSocketConnectable* address = g_network_address_new(host.c_str(), static_cast<guint16>(port));
    // The time limit's source is gone before this returns, so its data may live here.
    std::pair<Connecting*, GCancellable*> waiting{&state, cancel};
    guint limit = g_timeout_add(networkConnectMs, [](gpointer data) {
        auto* waiting = static_cast<std::pair<Connecting*, GCancellable*>*>(data);
        waiting->first->timedOut = true;
        g_cancellable_cancel(waiting->second);
        return G_SOURCE_REMOVE;
    }, &waiting);
    g_socket_client_connect_async(client, address, cancel, connected, &state);
    // The connection is made while the loop goes on; nothing spins meanwhile. A click on Stop
    // or a request to quit ends the wait at once.
    while (!state.done) {
        g_main_context_iteration(nullptr, TRUE);
        if (!state.done && !state.cancelled && connectCancelled && connectCancelled()) {
            state.cancelled = true;
            g_cancellable_cancel(cancel);
        }
    }
    if (!state.timedOut)
        g_source_remove(limit);
    g_object_unref(address);
    g_object_unref(cancel);
    g_object_unref(client);
    if (!state.connection) {
        openFailures[handle] = connectFailure(state);
        if (state.error)
            g_error_free(state.error);
        return false;
    }
    int fd = fcntl(g_socket_get_fd(g_socket_connection_get_socket(state.connection)), F_DUPFD_CLOEXEC, 0);
    g_object_unref(state.connection);
    if (fd < 0)
        return refuseOpen(handle, OpenFailure::Other, errno);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    tuneConnection(fd);
    openPorts[handle] = fd;
    networkPorts[handle] = true;
    lostPorts.erase(handle);
    openFailures.erase(handle);
    return true;
}

void setConnectCancelCheck(std::function<bool()> check)
{
    connectCancelled = std::move(check);
}

bool serialIsNetwork(int64_t handle)
{
    return serialIsOpen(handle) && isNetwork(handle);
}

OpenFailureReason serialOpenFailure(int64_t handle)
{
    auto found = openFailures.find(handle);
    return found == openFailures.end() ? OpenFailureReason{} : found->second;
}

std::string openFailureText(const OpenFailureReason& reason)
{
    switch (reason.kind) {
    case OpenFailure::None: return "";
    case OpenFailure::Settings: return "Baudrate, Datenbits oder Handshake werden nicht unterstützt";
    case OpenFailure::AlreadyOpen: return "Port ist bereits geöffnet";
    case OpenFailure::Access: return "Zugriff verweigert (keine Rechte am Gerät)";
    case OpenFailure::Missing: return "Gerät nicht vorhanden";
    case OpenFailure::Busy: return "Gerät belegt: ein weiteres Programm hat den Port geöffnet";
    case OpenFailure::NotATerminal: return "kein serielles Gerät";
    case OpenFailure::DriverRefused: return "Baudrate oder Leitungseinstellungen vom Treiber abgelehnt";
    case OpenFailure::Locked:
        return "Gerät belegt: Prozess " + std::to_string(reason.lockOwner) + " hält die Sperrdatei " +
               reason.lockFile;
    case OpenFailure::Refused: return "Verbindung abgelehnt: dort nimmt niemand Verbindungen an";
    case OpenFailure::Unreachable: return "Rechner nicht erreichbar";
    case OpenFailure::UnknownHost: return "Unbekannter Rechner";
    case OpenFailure::TimedOut:
        return "Zeitüberschreitung: keine Verbindung nach " + std::to_string(networkConnectMs / 1000) + " s";
    case OpenFailure::Cancelled: return "Verbindungsaufbau abgebrochen";
    case OpenFailure::Other: break;
    }
    if (!reason.detail.empty())
        return "Systemfehler: " + reason.detail;
    return std::string("Systemfehler: ") + g_strerror(reason.error);
}

bool serialIsOpen(int64_t handle)
{
    return descriptorOf(handle) >= 0;
}

int64_t serialWrite(int64_t handle, std::string_view bytes)
{
    int fd = descriptorOf(handle);
    if (fd < 0 || bytes.empty())
        return 0;
    // The descriptor does not block: a full output buffer takes part of the bytes, or none, and
    // the rest waits until the line has room again, as long as it keeps taking bytes. The wait
    // ends by the clock, not by poll alone: a line stopped by flow control is reported writable
    // while it takes nothing.
    using Clock = std::chrono::steady_clock;
    const auto stalled = std::chrono::milliseconds(stalledWriteMs);
    auto progress = Clock::now();
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<size_t>(written);
            progress = Clock::now();
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN) {
            noteFailure(handle);
            break;
        }
        auto waited = Clock::now() - progress;
        if (waited >= stalled)
            break;
        pollfd watch{fd, POLLOUT, 0};
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(stalled - waited).count()) + 1;
        if (poll(&watch, 1, left) < 0 || (watch.revents & (POLLERR | POLLHUP | POLLNVAL)))
            break;
    }
    return static_cast<int64_t>(done);
}

int64_t serialAvailable(int64_t handle)
{
    int fd = descriptorOf(handle);
    int waiting = 0;
    if (fd < 0)
        return 0;
    if (ioctl(fd, FIONREAD, &waiting) < 0) {
        noteFailure(handle);
        return 0;
    }
    // A connection whose peer left keeps what it delivered: it is gone once that is read.
    if (waiting <= 0 && (isNetwork(handle) ? peerGone(fd) : hungUp(fd)))
        lostPorts[handle] = true;
    return waiting < 0 ? 0 : waiting;
}

int64_t serialRead(int64_t handle, char* buffer, int64_t maxCount)
{
    int fd = descriptorOf(handle);
    if (fd < 0 || !buffer || maxCount <= 0)
        return 0;
    // EAGAIN means nothing waits; EIO after a hang-up means the device is gone, which
    // serialLost then tells. Both read as an empty result, so a caller's poll loop never spins
    // on an error.
    ssize_t count;
    do {
        count = read(fd, buffer, static_cast<size_t>(maxCount));
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        noteFailure(handle);
    // The end of a connection's stream: its peer closed it.
    if (count == 0 && isNetwork(handle))
        lostPorts[handle] = true;
    return count < 0 ? 0 : count;
}

bool serialSetLine(int64_t handle, SerialLine line, int level)
{
    int fd = descriptorOf(handle);
    if (fd < 0 || isNetwork(handle))
        return false;
    int bit = line == SerialLine::DTR ? TIOCM_DTR : TIOCM_RTS;
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) < 0)
        return false;
    if (level)
        bits |= bit;
    else
        bits &= ~bit;
    if (ioctl(fd, TIOCMSET, &bits) < 0 || ioctl(fd, TIOCMGET, &bits) < 0)
        return false;
    return ((bits & bit) != 0) == (level != 0);
}

void serialDiscardInput(int64_t handle)
{
    int fd = descriptorOf(handle);
    if (fd < 0)
        return;
    if (!isNetwork(handle)) {
        tcflush(fd, TCIFLUSH);
        return;
    }
    // A connection has no input queue to flush: what waits is read and dropped, a flood at most
    // up to what waited when the discard began.
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) < 0)
        return;
    char buffer[4096];
    while (waiting > 0) {
        ssize_t count = recv(fd, buffer, std::min<size_t>(sizeof buffer, static_cast<size_t>(waiting)), MSG_DONTWAIT);
        if (count <= 0)
            break;
        waiting -= static_cast<int>(count);
    }
}

int serialDescriptor(int64_t handle)
{
    return descriptorOf(handle);
}

bool serialLost(int64_t handle)
{
    auto found = lostPorts.find(handle);
    return serialIsOpen(handle) && found != lostPorts.end() && found->second;
}

int64_t serialLineErrors(int64_t)
{
    return 0;
}

namespace {

// The exclusive use ends with Quirlo's use: left set, it would keep a user who is not root
// from opening the device while another process still holds it open.
void closeDescriptor(int64_t handle, int fd)
{
    if (!isNetwork(handle))
        ioctl(fd, TIOCNXCL);
    close(fd);
    networkPorts.erase(handle);
    auto locked = lockedPaths.find(handle);
    if (locked != lockedPaths.end()) {
        releaseDeviceLock(locked->second);
        lockedPaths.erase(locked);
    }
}

} // namespace

void serialClose(int64_t handle)
{
    auto found = openPorts.find(handle);
    if (found == openPorts.end())
        return;
    closeDescriptor(handle, found->second);
    openPorts.erase(found);
    lostPorts.erase(handle);
}

void serialCloseAll()
{
    for (const auto& [handle, fd] : openPorts)
        closeDescriptor(handle, fd);
    openPorts.clear();
    lostPorts.clear();
}

void serialRenumber(const std::vector<int64_t>& newHandleOf)
{
    std::map<int64_t, int> open;
    std::map<int64_t, bool> lost;
    std::map<int64_t, std::string> locked;
    std::map<int64_t, bool> network;
    for (const auto& [handle, fd] : openPorts) {
        bool mapped = handle >= 0 && handle < static_cast<int64_t>(newHandleOf.size());
        int64_t to = mapped ? newHandleOf[static_cast<size_t>(handle)] : handle;
        if (to < 0) {
            closeDescriptor(handle, fd);
            continue;
        }
        open[to] = fd;
        if (lostPorts.count(handle))
            lost[to] = lostPorts[handle];
        if (lockedPaths.count(handle))
            locked[to] = lockedPaths[handle];
        if (isNetwork(handle))
            network[to] = true;
    }
    openPorts = std::move(open);
    lostPorts = std::move(lost);
    lockedPaths = std::move(locked);
    networkPorts = std::move(network);
}
