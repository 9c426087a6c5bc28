// A port to an instrument that takes whole messages: the worker and the main loop's side.
#include "serial/message_transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "serial/descriptor_transport.h"

namespace {

constexpr size_t readSize = 65536;

class MessageTransport;

// What the port and its worker share. The worker owns the instrument's connection: it sends
// what the port wrote, reads the answers of queries into its end of the socket pair, and at the
// port's close sends what is left and ends the connection on its own.
struct Link {
    std::unique_ptr<MessageDevice> device;
    int feed = -1; // the worker's end of the socket pair
    std::string terminator;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::string> outbox;
    bool busy = false; // a message (or the connect) is under way
    bool clearWanted = false;
    bool closing = false;
    std::atomic<bool> lost{false};
    // While the worker connects: the port that waits for it (none once it closed), and how it
    // ended.
    MessageTransport* waiting = nullptr;
    ConnectDone done;
    OpenFailureReason failure;

    bool isClosing()
    {
        std::lock_guard<std::mutex> guard(lock);
        return closing;
    }
};

void markLost(Link& link)
{
    link.lost = true;
    // The main loop sees the hang-up of the socket.
    shutdown(link.feed, SHUT_WR);
}

// A failed call: the instrument is gone, or it is given a clean start.
void recoverFrom(Link& link, int error)
{
    if (meansGone(error) || !link.device->recover())
        markLost(link);
}

// Hands bytes to the main loop, waiting while it has no room; false when the port closes.
bool pass(Link& link, const char* bytes, size_t count)
{
    while (count > 0) {
        ssize_t written = send(link.feed, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0) {
            bytes += written;
            count -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd room = {link.feed, POLLOUT, 0};
        poll(&room, 1, 100);
        if (link.isClosing())
            return false;
    }
    return true;
}

// One message out; after a query (a line with "?") its answer in, to the end of the message,
// ended with the port's in-terminator where the instrument did not send it.
void exchange(Link& link, const std::string& message)
{
    if (int error = link.device->send(message)) {
        recoverFrom(link, error);
        return;
    }
    if (message.find('?') == std::string::npos || link.isClosing())
        return;
    std::string tail;
    for (bool end = false; !end;) {
        std::string bytes;
        if (int error = link.device->receive(bytes, readSize, end)) {
            recoverFrom(link, error);
            return;
        }
        if (!pass(link, bytes.data(), bytes.size()))
            return;
        tail += bytes;
        if (tail.size() > link.terminator.size())
            tail.erase(0, tail.size() - link.terminator.size());
    }
    if (!link.terminator.empty() && tail != link.terminator)
        pass(link, link.terminator.data(), link.terminator.size());
}

void work(std::shared_ptr<Link> link, bool connect);

class MessageTransport : public DescriptorTransport {
public:
    MessageTransport(std::unique_ptr<MessageDevice> device, const DeviceSettings& settings, bool connectOnWorker,
                     ConnectDone done);
    ~MessageTransport() override;
    State state() const override { return connecting ? State::Connecting : DescriptorTransport::state(); }
    int64_t write(std::string_view bytes) override;
    int hangUpEvents() const override { return POLLHUP | POLLERR | POLLRDHUP; }
    void discardInput() override;
    int statusByte() override;
    bool clearsDevice() const override { return clears; }
    bool clearDevice() override;
    std::string openNote() const override { return note; }
    // The worker's connect ended (from the main context).
    void connected(const OpenFailureReason& failure);

protected:
    bool hungUp() override { return link->lost.load(); }

private:
    std::shared_ptr<Link> link = std::make_shared<Link>();
    bool connecting = false;
    bool clears = false;
    std::string note;
};

void work(std::shared_ptr<Link> link, bool connect)
{
    if (connect) {
        OpenFailureReason failure = link->device->open();
        {
            std::lock_guard<std::mutex> guard(link->lock);
            link->failure = failure;
            link->busy = false;
        }
        link->idle.notify_all();
        // The port hears of it from the main loop, unless it closed meanwhile.
        g_idle_add([](gpointer data) -> gboolean {
            auto* held = static_cast<std::shared_ptr<Link>*>(data);
            Link& shared = **held;
            MessageTransport* port = nullptr;
            OpenFailureReason failure;
            {
                std::lock_guard<std::mutex> guard(shared.lock);
                port = shared.waiting;
                shared.waiting = nullptr;
                failure = shared.failure;
            }
            if (port)
                port->connected(failure);
            delete held;
            return G_SOURCE_REMOVE;
        }, new std::shared_ptr<Link>(link));
        if (failure.kind != OpenFailure::None) {
            close(link->feed);
            return;
        }
    }
    for (;;) {
        std::string message;
        {
            std::unique_lock<std::mutex> guard(link->lock);
            link->wake.wait(guard, [&] { return link->closing || link->clearWanted || !link->outbox.empty(); });
            if (link->clearWanted) {
                link->clearWanted = false;
                guard.unlock();
                link->device->clear();
                continue;
            }
            // A closing port still sends what was written, without reading answers.
            if (link->outbox.empty())
                break;
            message = std::move(link->outbox.front());
            link->outbox.pop_front();
            link->busy = true;
        }
        if (!link->lost.load())
            exchange(*link, message);
        {
            std::lock_guard<std::mutex> guard(link->lock);
            link->busy = false;
        }
        link->idle.notify_all();
    }
    link->device->close();
    close(link->feed);
}

MessageTransport::MessageTransport(std::unique_ptr<MessageDevice> device, const DeviceSettings& settings,
                                   bool connectOnWorker, ConnectDone done)
{
    link->device = std::move(device);
    link->terminator = settings.inTerminator;
    clears = link->device->clears();
    note = link->device->openNote();
    if (!connectOnWorker) {
        why = link->device->open();
        if (why.kind != OpenFailure::None)
            return;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        why = {OpenFailure::Other, errno, 0, "", ""};
        if (!connectOnWorker)
            link->device->close();
        return;
    }
    g_unix_set_fd_nonblocking(ends[0], TRUE, nullptr);
    fd = ends[0];
    link->feed = ends[1];
    if (connectOnWorker) {
        connecting = true;
        link->busy = true;
        link->waiting = this;
        link->done = std::move(done);
    }
    std::thread(work, link, connectOnWorker).detach();
}

MessageTransport::~MessageTransport()
{
    if (link->feed < 0)
        return;
    {
        std::lock_guard<std::mutex> guard(link->lock);
        link->closing = true;
        link->waiting = nullptr;
    }
    link->wake.notify_one();
}

void MessageTransport::connected(const OpenFailureReason& failure)
{
    connecting = false;
    if (failure.kind != OpenFailure::None) {
        why = failure;
        close(fd);
        fd = -1;
    }
    if (link->done)
        link->done(this);
}

int64_t MessageTransport::write(std::string_view bytes)
{
    if (link->lost.load() || fd < 0 || connecting)
        return 0;
    {
        std::lock_guard<std::mutex> guard(link->lock);
        link->outbox.emplace_back(bytes);
    }
    link->wake.notify_one();
    return static_cast<int64_t>(bytes.size());
}

void MessageTransport::discardInput()
{
    char buffer[4096];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
}

// The clear comes after the message under way, in place of those still waiting.
bool MessageTransport::clearDevice()
{
    if (!clears || link->lost.load())
        return false;
    {
        std::lock_guard<std::mutex> guard(link->lock);
        link->outbox.clear();
        link->clearWanted = true;
    }
    link->wake.notify_one();
    discardInput();
    return true;
}

// The byte is the instrument's state after what was written: the worker is waited for first.
int MessageTransport::statusByte()
{
    if (link->lost.load() || connecting)
        return -1;
    {
        std::unique_lock<std::mutex> guard(link->lock);
        if (!link->idle.wait_for(guard, std::chrono::seconds(10),
                                 [this] { return link->outbox.empty() && !link->busy && !link->clearWanted; }))
            return -1;
    }
    return link->device->statusByte();
}

} // namespace

bool meansGone(int error)
{
    return error == ENODEV || error == EIO || error == ESHUTDOWN || error == ENXIO || error == EBADF ||
           error == EPIPE || error == EPROTO || error == ECONNRESET || error == ENOTCONN;
}

int messageTimeoutMs(const DeviceSettings& settings)
{
    int64_t ms = settings.delayLong + std::max<int64_t>(settings.inRetry, 0) * settings.delayShort;
    return static_cast<int>(std::clamp<int64_t>(ms, 100, 600000));
}

std::unique_ptr<Transport> openMessagePort(std::unique_ptr<MessageDevice> device, const DeviceSettings& settings,
                                           bool connectOnWorker, ConnectDone done)
{
    return std::make_unique<MessageTransport>(std::move(device), settings, connectOnWorker, std::move(done));
}
