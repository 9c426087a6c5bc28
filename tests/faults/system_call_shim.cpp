// Link-time wrappers around the serial port layer's system calls.
#include "faults/system_call_shim.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_read(int fd, void* buffer, size_t count);
ssize_t __real_write(int fd, const void* buffer, size_t count);
int __real_ioctl(int fd, unsigned long request, ...);
int __real_tcflush(int fd, int queue);
int __real_tcsetattr(int fd, int actions, const termios* config);
}

namespace {

InjectedFault armed;
bool active = false;
bool struck = false;
int calls = 0;
int device = -1;

// True when this call is the one that fails; errno is then set.
bool strikes(const char* call, int fd)
{
    if (!active || armed.call != call || (fd != device && std::strcmp(call, "open") != 0))
        return false;
    if (++calls != armed.nth)
        return false;
    struck = true;
    errno = armed.error;
    return true;
}

} // namespace

void injectFault(const InjectedFault& fault)
{
    armed = fault;
    active = true;
    struck = false;
    calls = 0;
}

void clearFault()
{
    active = false;
}

bool faultStruck()
{
    return struck;
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
    bool terminal = std::strncmp(path, "/dev/pts/", 9) == 0;
    if (terminal && strikes("open", -1))
        return -1;
    int fd = __real_open(path, flags, mode);
    if (terminal)
        device = fd;
    return fd;
}

ssize_t __wrap_read(int fd, void* buffer, size_t count)
{
    return strikes("read", fd) ? -1 : __real_read(fd, buffer, count);
}

ssize_t __wrap_write(int fd, const void* buffer, size_t count)
{
    if (!strikes("write", fd))
        return __real_write(fd, buffer, count);
    return armed.shortCount ? __real_write(fd, buffer, count / 2) : -1;
}

int __wrap_ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return strikes("ioctl", fd) ? -1 : __real_ioctl(fd, request, argument);
}

int __wrap_tcflush(int fd, int queue)
{
    return strikes("tcflush", fd) ? -1 : __real_tcflush(fd, queue);
}

int __wrap_tcsetattr(int fd, int actions, const termios* config)
{
    return strikes("tcsetattr", fd) ? -1 : __real_tcsetattr(fd, actions, config);
}

} // extern "C"
