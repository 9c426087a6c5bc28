// The usbtmc driver's interface, faked for the tests of the USBTMC port.
#include "faults/usbtmc_fake.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <deque>

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_close(int fd);
ssize_t __real_read(int fd, void* buffer, size_t count);
ssize_t __real_write(int fd, const void* buffer, size_t count);
int __real_ioctl(int fd, unsigned long request, ...);
}

namespace {

FakeUsbtmc fake;
std::mutex guard;
int descriptor = -1;
// The answers queued, each with the reads that time out before it comes.
struct Queued {
    std::string bytes;
    size_t at = 0;
    int timeoutsFirst = 0;
};
std::deque<Queued> answers;
bool endOfMessage = false;

bool isFake(int fd)
{
    return fd >= 0 && fd == descriptor;
}

} // namespace

FakeUsbtmc& fakeUsbtmc()
{
    return fake;
}

std::mutex& fakeUsbtmcLock()
{
    return guard;
}

void resetFakeUsbtmc()
{
    std::lock_guard<std::mutex> lock(guard);
    fake = FakeUsbtmc{};
    answers.clear();
}

extern "C" {

int __wrap_open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    {
        std::lock_guard<std::mutex> lock(guard);
        if (fake.path == path) {
            if (fake.unplugged) {
                errno = ENOENT;
                return -1;
            }
            descriptor = __real_open("/dev/null", O_RDWR | O_CLOEXEC);
            ++fake.opens;
            answers.clear();
            return descriptor;
        }
    }
    return __real_open(path, flags, mode);
}

int __wrap_close(int fd)
{
    {
        std::lock_guard<std::mutex> lock(guard);
        if (isFake(fd)) {
            descriptor = -1;
            ++fake.closes;
        }
    }
    return __real_close(fd);
}

ssize_t __wrap_write(int fd, const void* buffer, size_t count)
{
    std::unique_lock<std::mutex> lock(guard);
    if (!isFake(fd)) {
        lock.unlock();
        return __real_write(fd, buffer, count);
    }
    if (fake.unplugged) {
        errno = ENODEV;
        return -1;
    }
    std::string message(static_cast<const char*>(buffer), count);
    fake.heard.push_back(message);
    std::string answer = fake.answer ? fake.answer(message) : "";
    if (!answer.empty()) {
        bool late = answer.rfind("late:", 0) == 0;
        answers.push_back({late ? answer.substr(5) : answer, 0, late ? 1 : 0});
    }
    return static_cast<ssize_t>(count);
}

ssize_t __wrap_read(int fd, void* buffer, size_t count)
{
    std::unique_lock<std::mutex> lock(guard);
    if (!isFake(fd)) {
        lock.unlock();
        return __real_read(fd, buffer, count);
    }
    if (fake.unplugged) {
        errno = ENODEV;
        return -1;
    }
    if (answers.empty() || answers.front().timeoutsFirst > 0) {
        if (!answers.empty())
            --answers.front().timeoutsFirst;
        errno = ETIMEDOUT;
        return -1;
    }
    Queued& next = answers.front();
    size_t taken = std::min(count, next.bytes.size() - next.at);
    std::memcpy(buffer, next.bytes.data() + next.at, taken);
    next.at += taken;
    endOfMessage = next.at == next.bytes.size();
    if (endOfMessage)
        answers.pop_front();
    return static_cast<ssize_t>(taken);
}

int __wrap_ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    std::unique_lock<std::mutex> lock(guard);
    if (!isFake(fd)) {
        lock.unlock();
        return __real_ioctl(fd, request, argument);
    }
    switch (request) {
    case USBTMC_IOCTL_SET_TIMEOUT: fake.timeoutMs = *static_cast<__u32*>(argument); return 0;
    case USBTMC488_IOCTL_GET_CAPS: *static_cast<unsigned char*>(argument) = fake.capabilities; return 0;
    case USBTMC488_IOCTL_READ_STB: *static_cast<unsigned char*>(argument) = fake.statusByte; return 0;
    case USBTMC_IOCTL_MSG_IN_ATTR: *static_cast<__u8*>(argument) = endOfMessage ? 1 : 0; return 0;
    case USBTMC_IOCTL_CLEAR:
        ++fake.clears;
        answers.clear();
        return 0;
    case USBTMC488_IOCTL_GOTO_LOCAL: ++fake.gotoLocals; return 0;
    default: errno = ENOTTY; return -1;
    }
}

} // extern "C"
