// The UUCP lock files of serial devices.
#include "serial/lock_files.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

std::string lockDirectory = "/var/lock";

namespace {

// The process id in a lock file; 0 when the file cannot be read or holds no id.
int64_t ownerOf(const std::string& path)
{
    gchar* text = nullptr;
    if (!g_file_get_contents(path.c_str(), &text, nullptr, nullptr))
        return 0;
    gchar* end = nullptr;
    int64_t owner = g_ascii_strtoll(g_strstrip(text), &end, 10);
    if (end == text || *end)
        owner = 0;
    g_free(text);
    return owner;
}

bool alive(int64_t pid)
{
    return pid > 0 && pid <= INT_MAX && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

std::string lockFilePath(const std::string& devicePath)
{
    char* resolved = realpath(devicePath.c_str(), nullptr);
    std::string name = resolved ? resolved : devicePath;
    free(resolved);
    if (name.rfind("/dev/", 0) == 0)
        name.erase(0, 5);
    for (char& c : name)
        c = c == '/' ? '_' : c;
    return lockDirectory + "/LCK.." + name;
}

bool takeDeviceLock(const std::string& devicePath, int64_t& owner)
{
    const std::string path = lockFilePath(devicePath);
    owner = ownerOf(path);
    if (owner == getpid())
        return true;
    if (alive(owner))
        return false;
    // A lock of a process that is gone, or one nobody can read, is stale.
    owner = 0;
    g_remove(path.c_str());
    // Written whole under a name of its own, then linked: of two programs, one link wins.
    char pid[16];
    std::snprintf(pid, sizeof pid, "%10ld\n", static_cast<long>(getpid()));
    const std::string own = path + "." + std::to_string(getpid());
    if (!g_file_set_contents(own.c_str(), pid, -1, nullptr))
        return true;
    g_chmod(own.c_str(), 0644);
    bool linked = link(own.c_str(), path.c_str()) == 0;
    g_remove(own.c_str());
    if (linked)
        return true;
    owner = ownerOf(path);
    return !alive(owner) || owner == getpid();
}

void releaseDeviceLock(const std::string& devicePath)
{
    const std::string path = lockFilePath(devicePath);
    if (ownerOf(path) == getpid())
        g_remove(path.c_str());
}
