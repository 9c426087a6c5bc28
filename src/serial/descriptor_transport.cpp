// The transports on a file descriptor.
#include "serial/descriptor_transport.h"

#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// How long a write waits for a line that takes no more bytes (handshake held, buffer full)
// before it gives up.
constexpr int stalledWriteMs = 1000;

} // namespace

DescriptorTransport::~DescriptorTransport()
{
    if (fd >= 0)
        close(fd);
}

void DescriptorTransport::noteFailure(int error)
{
    if (error == EIO || error == ENXIO || error == ENODEV || error == EBADF)
        gone = true;
}

int DescriptorTransport::waiting()
{
    int count = 0;
    if (fd < 0 || ioctl(fd, FIONREAD, &count) < 0) {
        noteFailure(errno);
        return -1;
    }
    return count;
}

int64_t DescriptorTransport::write(std::string_view bytes)
{
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
        ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<size_t>(written);
            progress = Clock::now();
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN) {
            noteFailure(errno);
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

int64_t DescriptorTransport::read(char* buffer, int64_t maxCount)
{
    if (fd < 0 || !buffer || maxCount <= 0)
        return 0;
    // EAGAIN means nothing waits; EIO after a hang-up means the device is gone, which lost()
    // then tells. Both read as an empty result, so a caller's poll loop never spins on an error.
    ssize_t count;
    do {
        count = ::read(fd, buffer, static_cast<size_t>(maxCount));
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        noteFailure(errno);
    else if (count == 0)
        endOfStream();
    return count < 0 ? 0 : count;
}

bool DescriptorTransport::inputWaits()
{
    return waiting() > 0;
}

bool DescriptorTransport::lost()
{
    // What a device delivered before it went stays readable: it is gone once that is read.
    if (!gone && fd >= 0 && waiting() == 0 && hungUp())
        gone = true;
    return gone;
}

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
