// An instrument on USB through the kernel's usbtmc driver.
#include "serial/usbtmc_transport.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
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

// The errors of a device that is no longer there (unplugged, switched off).
bool meansGone(int error)
{
    return error == ENODEV || error == EIO || error == ESHUTDOWN || error == ENXIO || error == EBADF ||
           error == EPIPE || error == EPROTO;
}

constexpr size_t readSize = 65536;

// What the port and its worker share. The worker owns the device from the open on: it sends
// what the port wrote, reads the answers of queries into its end of a socket pair, and at the
// port's close sends what is left, puts the instrument back to local and closes the device, so
// the port is never waited for.
struct Link {
    int device = -1;
    int feed = -1; // the worker's end of the socket pair
    std::string terminator;
    unsigned char capabilities = 0;
    int timeoutMs = 0;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::string> outbox;
    bool busy = false; // a message is under way
    bool clearWanted = false;
    bool closing = false;
    std::atomic<bool> lost{false};

    bool isClosing()
    {
        std::lock_guard<std::mutex> guard(lock);
        return closing;
    }
};

void noteDeviceError(Link& link, int error)
{
    if (!meansGone(error))
        return;
    link.lost = true;
    // The main loop sees the hang-up of the socket.
    shutdown(link.feed, SHUT_WR);
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

// One message out; after a query its answer in, to its end of message, ended with the port's
// in-terminator where the device did not send it.
void exchange(Link& link, const std::string& message)
{
    if (::write(link.device, message.data(), message.size()) < 0) {
        int error = errno;
        if (error == ETIMEDOUT)
            ioctl(link.device, USBTMC_IOCTL_CLEAR);
        noteDeviceError(link, error);
        return;
    }
    if (message.find('?') == std::string::npos || link.isClosing())
        return;
    std::string buffer(readSize, '\0');
    std::string tail;
    for (;;) {
        ssize_t count = ::read(link.device, buffer.data(), buffer.size());
        if (count < 0) {
            int error = errno;
            // The transfer under way is given up: the next query starts clean.
            if (error == ETIMEDOUT)
                ioctl(link.device, USBTMC_IOCTL_CLEAR);
            noteDeviceError(link, error);
            return;
        }
        if (!pass(link, buffer.data(), static_cast<size_t>(count)))
            return;
        tail.append(buffer.data(), static_cast<size_t>(count));
        if (tail.size() > link.terminator.size())
            tail.erase(0, tail.size() - link.terminator.size());
        // The message ends with its last transfer's end-of-message bit; a driver that cannot
        // tell it ends a read shorter than asked for there.
        __u8 attributes = 0;
        bool endOfMessage = ioctl(link.device, USBTMC_IOCTL_MSG_IN_ATTR, &attributes) == 0 && (attributes & 1) != 0;
        if (static_cast<size_t>(count) < buffer.size() || endOfMessage)
            break;
    }
    if (!link.terminator.empty() && tail != link.terminator)
        pass(link, link.terminator.data(), link.terminator.size());
}

void work(std::shared_ptr<Link> link)
{
    for (;;) {
        std::string message;
        {
            std::unique_lock<std::mutex> guard(link->lock);
            link->wake.wait(guard, [&] { return link->closing || link->clearWanted || !link->outbox.empty(); });
            if (link->clearWanted) {
                link->clearWanted = false;
                guard.unlock();
                ioctl(link->device, USBTMC_IOCTL_CLEAR);
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
    // The front panel works again.
    if (link->capabilities & USBTMC488_CAPABILITY_GOTO_LOCAL)
        ioctl(link->device, USBTMC488_IOCTL_GOTO_LOCAL);
    close(link->device);
    close(link->feed);
}

class UsbtmcTransport : public DescriptorTransport {
public:
    UsbtmcTransport(const std::string& devicePath, const DeviceSettings& settings);
    ~UsbtmcTransport() override;
    int64_t write(std::string_view bytes) override;
    int hangUpEvents() const override { return POLLHUP | POLLERR | POLLRDHUP; }
    void discardInput() override;
    int statusByte() override;
    bool clearsDevice() const override { return true; }
    bool clearDevice() override;
    std::string openNote() const override
    {
        return " (USBTMC: Baudrate, Datenbits, Parität, Stoppbits, Handshake und DTR/RTS gelten hier nicht)";
    }

protected:
    bool hungUp() override { return link->lost.load(); }

private:
    std::shared_ptr<Link> link = std::make_shared<Link>();
};

UsbtmcTransport::UsbtmcTransport(const std::string& devicePath, const DeviceSettings& settings)
{
    link->terminator = settings.inTerminator;
    link->device = open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
    if (link->device < 0) {
        why = {kindOfOpenError(errno), errno, 0, "", ""};
        return;
    }
    link->timeoutMs = usbtmcTimeoutMs(settings);
    __u32 timeout = static_cast<__u32>(link->timeoutMs);
    ioctl(link->device, USBTMC_IOCTL_SET_TIMEOUT, &timeout);
    if (ioctl(link->device, USBTMC488_IOCTL_GET_CAPS, &link->capabilities) < 0)
        link->capabilities = 0;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        why = {OpenFailure::Other, errno, 0, "", ""};
        close(link->device);
        return;
    }
    g_unix_set_fd_nonblocking(ends[0], TRUE, nullptr);
    fd = ends[0];
    link->feed = ends[1];
    std::thread(work, link).detach();
}

UsbtmcTransport::~UsbtmcTransport()
{
    if (link->feed < 0)
        return;
    {
        std::lock_guard<std::mutex> guard(link->lock);
        link->closing = true;
    }
    link->wake.notify_one();
}

int64_t UsbtmcTransport::write(std::string_view bytes)
{
    if (link->lost.load() || fd < 0)
        return 0;
    {
        std::lock_guard<std::mutex> guard(link->lock);
        link->outbox.emplace_back(bytes);
    }
    link->wake.notify_one();
    return static_cast<int64_t>(bytes.size());
}

void UsbtmcTransport::discardInput()
{
    char buffer[4096];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
}

// The clear comes after the message under way, in place of those still waiting.
bool UsbtmcTransport::clearDevice()
{
    if (link->lost.load())
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

// The byte is the device's state after what was written: the worker is waited for first.
int UsbtmcTransport::statusByte()
{
    if (!(link->capabilities & USBTMC488_CAPABILITY_488_DOT_2) || link->lost.load())
        return -1;
    {
        std::unique_lock<std::mutex> guard(link->lock);
        if (!link->idle.wait_for(guard, std::chrono::milliseconds(link->timeoutMs + 1000),
                                 [this] { return link->outbox.empty() && !link->busy && !link->clearWanted; }))
            return -1;
    }
    unsigned char status = 0;
    return ioctl(link->device, USBTMC488_IOCTL_READ_STB, &status) == 0 ? status : -1;
}

} // namespace

bool isUsbtmcName(const std::string& name)
{
    return name.size() > 6 && name.compare(0, 6, "usbtmc") == 0 &&
           std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool namesUsbtmc(const std::string& devicePath)
{
    gchar* resolved = realpath(devicePath.c_str(), nullptr);
    std::string path = resolved ? resolved : devicePath;
    free(resolved);
    return isUsbtmcName(path.substr(path.rfind('/') + 1));
}

int usbtmcTimeoutMs(const DeviceSettings& settings)
{
    int64_t ms = settings.delayLong + std::max<int64_t>(settings.inRetry, 0) * settings.delayShort;
    return static_cast<int>(std::clamp<int64_t>(ms, 100, 600000));
}

std::unique_ptr<Transport> openUsbtmc(const std::string& devicePath, const DeviceSettings& settings)
{
    return std::make_unique<UsbtmcTransport>(devicePath, settings);
}
