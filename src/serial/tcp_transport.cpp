// The TCP transport: connected through GIO without blocking the loop, then read and written
// on its descriptor like a terminal.
#include "serial/tcp_transport.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <gio/gio.h>

#include "serial/descriptor_transport.h"

namespace {

class TcpTransport;

// A connect under way. It outlives a transport closed meanwhile: GIO still calls back, and
// then finds nobody to tell.
struct Attempt {
    TcpTransport* owner = nullptr;
    GCancellable* cancel = nullptr;
    guint limit = 0;
    bool timedOut = false;
};

class TcpTransport : public DescriptorTransport {
public:
    TcpTransport(const std::string& host, int port, ConnectDone done);
    ~TcpTransport() override;
    State state() const override { return attempt ? State::Connecting : DescriptorTransport::state(); }
    // A connection's peer that closes it shows as the end of its stream.
    int hangUpEvents() const override { return POLLHUP | POLLERR | POLLRDHUP; }
    void discardInput() override;
    std::string openNote() const override
    {
        return " (Netzwerk: Baudrate, Datenbits, Parität, Stoppbits, Handshake und DTR/RTS gelten hier nicht)";
    }
    std::string lostWhy() const override { return "Gegenstelle hat geschlossen"; }
    void finish(GSocketConnection* connection, GError* error, bool timedOut);

protected:
    bool hungUp() override;
    void endOfStream() override { gone = true; }

private:
    Attempt* attempt = nullptr;
    ConnectDone done;
};

void connected(GObject* client, GAsyncResult* result, gpointer data)
{
    auto* attempt = static_cast<Attempt*>(data);
    GError* error = nullptr;
    GSocketConnection* connection = g_socket_client_connect_finish(G_SOCKET_CLIENT(client), result, &error);
    if (!attempt->timedOut)
        g_source_remove(attempt->limit);
    if (attempt->owner) {
        attempt->owner->finish(connection, error, attempt->timedOut);
    } else if (connection) {
        g_object_unref(connection);
    }
    if (error)
        g_error_free(error);
    g_object_unref(attempt->cancel);
    g_object_unref(client);
    delete attempt;
}

OpenFailureReason connectFailure(const GError* error, bool timedOut)
{
    if (timedOut)
        return {OpenFailure::TimedOut, 0, 0, "", ""};
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
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

TcpTransport::TcpTransport(const std::string& host, int port, ConnectDone done) : done(std::move(done))
{
    if (port < 1 || port > 65535 || host.empty()) {
        why = {OpenFailure::UnknownHost, 0, 0, "", ""};
        return;
    }
    attempt = new Attempt{this, g_cancellable_new(), 0, false};
    attempt->limit = g_timeout_add(networkConnectMs, [](gpointer data) {
        auto* attempt = static_cast<Attempt*>(data);
        attempt->timedOut = true;
        g_cancellable_cancel(attempt->cancel);
        return G_SOURCE_REMOVE;
    }, attempt);
    GSocketClient* client = g_socket_client_new();
    GSocketConnectable* address = g_network_address_new(host.c_str(), static_cast<guint16>(port));
    g_socket_client_connect_async(client, address, attempt->cancel, connected, attempt);
    g_object_unref(address);
}

TcpTransport::~TcpTransport()
{
    if (attempt) {
        attempt->owner = nullptr;
        g_cancellable_cancel(attempt->cancel);
    }
}

void TcpTransport::finish(GSocketConnection* connection, GError* error, bool timedOut)
{
    attempt = nullptr;
    if (!connection) {
        why = connectFailure(error, timedOut);
    } else {
        fd = fcntl(g_socket_get_fd(g_socket_connection_get_socket(connection)), F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            why = {OpenFailure::Other, errno, 0, "", ""};
        g_object_unref(connection);
    }
    if (fd >= 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        tuneConnection(fd);
    }
    if (done)
        done(this);
}

// A connection has no input queue to flush: what waits is read and dropped, a flood at most up
// to what waited when the discard began.
void TcpTransport::discardInput()
{
    int left = waiting();
    char buffer[4096];
    while (left > 0) {
        ssize_t count = recv(fd, buffer, std::min<size_t>(sizeof buffer, static_cast<size_t>(left)), MSG_DONTWAIT);
        if (count <= 0)
            break;
        left -= static_cast<int>(count);
    }
}

// A connection whose peer closed it, or that broke.
bool TcpTransport::hungUp()
{
    pollfd watch{fd, POLLIN | POLLRDHUP, 0};
    if (poll(&watch, 1, 0) <= 0)
        return false;
    if (watch.revents & (POLLRDHUP | POLLHUP | POLLERR))
        return true;
    char byte;
    return (watch.revents & POLLIN) && recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

} // namespace

std::unique_ptr<Transport> connectTcp(const std::string& host, int port, ConnectDone done)
{
    return std::make_unique<TcpTransport>(host, port, std::move(done));
}
