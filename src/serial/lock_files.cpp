// The UUCP lock files of serial devices.
#include "serial/lock_files.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

namespace {

// The lock file of a device name: the name below /dev, with "/" as "_".
std::string lockFileOf(std::string name)
{
    if (name.rfind("/dev/", 0) == 0)
        name.erase(0, 5);
    for (char& c : name)
        c = c == '/' ? '_' : c;
    return lockDirectory + "/LCK.." + name;
}

// The lock files of the device: that of the device itself and, when it was named through a
// link, that of the name given, under which other programs may have locked it.
std::vector<std::string> lockFilePaths(const std::string& devicePath)
{
    std::vector<std::string> paths{lockFilePath(devicePath)};
    std::string given = lockFileOf(devicePath);
    if (given != paths[0])
        paths.push_back(given);
    return paths;
}

// Removes the stale lock of owner, and only that one: moved aside first, it goes back when
// another program wrote a lock of its own meanwhile.
void removeStaleLock(const std::string& path, int64_t owner)
{
    const std::string aside = path + ".stale." + std::to_string(getpid());
    if (g_rename(path.c_str(), aside.c_str()) != 0)
        return;
    if (ownerOf(aside) != owner)
        static_cast<void>(link(aside.c_str(), path.c_str()));
    g_remove(aside.c_str());
}

// Takes one lock file, as takeDeviceLock does.
bool takeLockFile(const std::string& path, int64_t& owner)
{
    owner = ownerOf(path);
    if (owner == getpid())
        return true;
    if (alive(owner))
        return false;
    // A lock of a process that is gone, or one nobody can read, is stale.
    if (g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        removeStaleLock(path, owner);
    owner = 0;
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

void releaseLockFile(const std::string& path)
{
    if (ownerOf(path) == getpid())
        g_remove(path.c_str());
}

} // namespace

std::string lockFilePath(const std::string& devicePath)
{
    char* resolved = realpath(devicePath.c_str(), nullptr);
    std::string name = resolved ? resolved : devicePath;
    free(resolved);
    return lockFileOf(name);
}

bool takeDeviceLock(const std::string& devicePath, int64_t& owner, std::string& lockFile)
{
    std::vector<std::string> paths = lockFilePaths(devicePath);
    std::vector<std::string> takenNow;
    for (size_t k = 0; k < paths.size(); ++k) {
        int64_t before = 0;
        bool taken = takeLockFile(paths[k], before);
        if (k == 0 || !taken)
            owner = before;
        if (!taken) {
            // Nothing of this attempt stays locked.
            for (const std::string& done : takenNow)
                releaseLockFile(done);
            lockFile = paths[k];
            return false;
        }
        if (before != getpid())
            takenNow.push_back(paths[k]);
    }
    return true;
}

void releaseDeviceLock(const std::string& devicePath)
{
    for (const std::string& path : lockFilePaths(devicePath))
        releaseLockFile(path);
}
