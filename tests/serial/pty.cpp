// A pseudo-terminal for serial tests.
#include "serial/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "serial/device_io.h"
#include "serial/lock_files.h"

namespace {

// Lock files of the tests' terminals go to a directory of this process: the number of a
// pseudo-terminal is given again as soon as it closes, to tests running side by side, whose
// lock for it may still stand.
const std::string& processLockDirectory()
{
    static const std::string directory = [] {
        gchar* made = g_dir_make_tmp("quirlo-locks-XXXXXX", nullptr);
        std::string path = made ? made : g_get_tmp_dir();
        g_free(made);
        std::atexit([] { g_rmdir(processLockDirectory().c_str()); });
        return path;
    }();
    return directory;
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    lockDirectory = processLockDirectory();
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
        path = ptsname(master);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

void PseudoTerminal::send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(master, bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return;
        done += static_cast<size_t>(written);
    }
}

std::string PseudoTerminal::receive(size_t count, int timeoutMs)
{
    std::string bytes;
    gint64 deadline = g_get_monotonic_time() + timeoutMs * 1000LL;
    while (bytes.size() < count) {
        int left = static_cast<int>((deadline - g_get_monotonic_time()) / 1000);
        pollfd ready{master, POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, left) <= 0)
            break;
        char buffer[512];
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

void PseudoTerminal::closeMaster()
{
    if (master >= 0)
        close(master);
    master = -1;
}

bool openTerminalPort(long long handle, const std::string& path, long long baud, long long dataBits,
                      long long handshake)
{
    DeviceSettings settings;
    settings.baud = baud;
    settings.dataBits = dataBits;
    settings.handshake = handshake;
    return deviceOpen(handle, path, settings) == OpenProgress::Open;
}

long long bytesWaiting(long long handle)
{
    int count = 0;
    int fd = deviceDescriptor(handle);
    return fd >= 0 && ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

bool waitForAvailable(long long handle, long long count, int timeoutMs)
{
    gint64 deadline = g_get_monotonic_time() + timeoutMs * 1000LL;
    while (bytesWaiting(handle) < count) {
        if (g_get_monotonic_time() > deadline)
            return false;
        g_usleep(1000);
    }
    return true;
}
