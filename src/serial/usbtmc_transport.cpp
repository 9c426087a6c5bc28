// An instrument on USB through the kernel's usbtmc driver.
#include "serial/usbtmc_transport.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
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

class UsbtmcTransport : public DescriptorTransport {
public:
    UsbtmcTransport(const std::string& devicePath, const DeviceSettings& settings);
    ~UsbtmcTransport() override;
    int64_t write(std::string_view bytes) override;
    int hangUpEvents() const override { return POLLHUP | POLLERR; }
    void discardInput() override;
    int statusByte() override;
    bool clearsDevice() const override { return true; }
    bool clearDevice() override;
    std::string openNote() const override
    {
        return " (USBTMC: Baudrate, Datenbits, Parität, Stoppbits, Handshake und DTR/RTS gelten hier nicht)";
    }

protected:
    bool hungUp() override { return lostDevice.load(); }

private:
    void work();
    void exchange(const std::string& message);
    bool pass(const char* bytes, size_t count);
    void noteDeviceError(int error);
    bool closing()
    {
        std::lock_guard<std::mutex> guard(lock);
        return stopping;
    }

    int device = -1;
    int feed = -1; // the worker's end of the pipe
    std::string terminator;
    unsigned char capabilities = 0;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::string> outbox;
    bool busy = false; // the worker has a message under way
    bool clearWanted = false;
    std::condition_variable idle;
    int timeoutMs = 0;
    bool stopping = false;
    std::atomic<bool> lostDevice{false};
    std::thread worker;
};

UsbtmcTransport::UsbtmcTransport(const std::string& devicePath, const DeviceSettings& settings)
    : terminator(settings.inTerminator)
{
    device = open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
    if (device < 0) {
        why = {kindOfOpenError(errno), errno, 0, "", ""};
        return;
    }
    timeoutMs = usbtmcTimeoutMs(settings);
    __u32 timeout = static_cast<__u32>(timeoutMs);
    ioctl(device, USBTMC_IOCTL_SET_TIMEOUT, &timeout);
    if (ioctl(device, USBTMC488_IOCTL_GET_CAPS, &capabilities) < 0)
        capabilities = 0;
    int ends[2];
    if (!g_unix_open_pipe(ends, FD_CLOEXEC, nullptr)) {
        why = {OpenFailure::Other, errno, 0, "", ""};
        close(device);
        device = -1;
        return;
    }
    g_unix_set_fd_nonblocking(ends[0], TRUE, nullptr);
    g_unix_set_fd_nonblocking(ends[1], TRUE, nullptr);
    fd = ends[0];
    feed = ends[1];
    worker = std::thread([this] { work(); });
}

UsbtmcTransport::~UsbtmcTransport()
{
    if (worker.joinable()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        wake.notify_one();
        worker.join();
    }
    if (feed >= 0)
        close(feed);
    if (device >= 0) {
        // The front panel works again.
        if (capabilities & USBTMC488_CAPABILITY_GOTO_LOCAL)
            ioctl(device, USBTMC488_IOCTL_GOTO_LOCAL);
        close(device);
    }
}

int64_t UsbtmcTransport::write(std::string_view bytes)
{
    if (lostDevice.load() || device < 0)
        return 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        outbox.emplace_back(bytes);
    }
    wake.notify_one();
    return static_cast<int64_t>(bytes.size());
}

void UsbtmcTransport::discardInput()
{
    char buffer[4096];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
}

void UsbtmcTransport::noteDeviceError(int error)
{
    if (!meansGone(error))
        return;
    lostDevice = true;
    // The main loop sees the hang-up of the pipe.
    close(feed);
    feed = -1;
}

// Hands bytes to the main loop, waiting while the pipe is full; false when the port closes.
bool UsbtmcTransport::pass(const char* bytes, size_t count)
{
    while (count > 0) {
        ssize_t written = ::write(feed, bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd room = {feed, POLLOUT, 0};
        poll(&room, 1, 100);
        if (closing())
            return false;
    }
    return true;
}

// One message out; after a query its answer in, to its end of message.
void UsbtmcTransport::exchange(const std::string& message)
{
    if (::write(device, message.data(), message.size()) < 0) {
        int error = errno;
        if (error == ETIMEDOUT)
            ioctl(device, USBTMC_IOCTL_CLEAR);
        noteDeviceError(error);
        return;
    }
    if (message.find('?') == std::string::npos || closing())
        return;
    std::string buffer(readSize, '\0');
    std::string tail;
    for (;;) {
        ssize_t count = ::read(device, buffer.data(), buffer.size());
        if (count < 0) {
            int error = errno;
            // The transfer under way is given up: the next query starts clean.
            if (error == ETIMEDOUT)
                ioctl(device, USBTMC_IOCTL_CLEAR);
            noteDeviceError(error);
            return;
        }
        if (!pass(buffer.data(), static_cast<size_t>(count)))
            return;
        tail.append(buffer.data(), static_cast<size_t>(count));
        if (tail.size() > terminator.size())
            tail.erase(0, tail.size() - terminator.size());
        // The message ends with its last transfer's end-of-message bit; a driver that cannot
        // tell it ends a read shorter than asked for there.
        __u8 attributes = 0;
        bool endOfMessage = ioctl(device, USBTMC_IOCTL_MSG_IN_ATTR, &attributes) == 0 && (attributes & 1) != 0;
        if (static_cast<size_t>(count) < buffer.size() || endOfMessage)
            break;
    }
    if (!terminator.empty() && tail != terminator)
        pass(terminator.data(), terminator.size());
}

void UsbtmcTransport::work()
{
    for (;;) {
        std::string message;
        {
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [this] { return stopping || clearWanted || !outbox.empty(); });
            if (clearWanted) {
                clearWanted = false;
                guard.unlock();
                ioctl(device, USBTMC_IOCTL_CLEAR);
                continue;
            }
            // A closing port still sends what was written, without reading answers.
            if (outbox.empty())
                return;
            message = std::move(outbox.front());
            outbox.pop_front();
            busy = true;
        }
        if (!lostDevice.load())
            exchange(message);
        {
            std::lock_guard<std::mutex> guard(lock);
            busy = false;
        }
        idle.notify_all();
    }
}

// The clear comes after the message under way, in place of those still waiting.
bool UsbtmcTransport::clearDevice()
{
    if (lostDevice.load())
        return false;
    {
        std::lock_guard<std::mutex> guard(lock);
        outbox.clear();
        clearWanted = true;
    }
    wake.notify_one();
    discardInput();
    return true;
}

// The byte is the device's state after what was written: the worker is waited for first.
int UsbtmcTransport::statusByte()
{
    if (!(capabilities & USBTMC488_CAPABILITY_488_DOT_2) || lostDevice.load())
        return -1;
    {
        std::unique_lock<std::mutex> guard(lock);
        if (!idle.wait_for(guard, std::chrono::milliseconds(timeoutMs + 1000),
                           [this] { return outbox.empty() && !busy; }))
            return -1;
    }
    unsigned char status = 0;
    return ioctl(device, USBTMC488_IOCTL_READ_STB, &status) == 0 ? status : -1;
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
