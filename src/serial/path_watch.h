// Waits for a device path to be there again, without polling: a USB adapter's node, its udev
// link (/dev/serial/by-id/...) or a socat link comes back as a new entry in a directory, and the
// kernel's file-system events (inotify, through GIO) tell of it. A real adapter's return reaches
// the same place: the kernel makes /dev/ttyUSBn in devtmpfs and udev makes its links, both
// entries that a directory watch sees. While nothing changes, the watch costs no wake-up.
#pragma once

#include <functional>
#include <string>

typedef struct _GFileMonitor GFileMonitor;

class PathWatch {
public:
    // appeared is called once, from the main loop, when the path leads to something again.
    PathWatch(std::string path, std::function<void()> appeared);
    ~PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;

private:
    // Watches the path's directory, or the nearest one above it while that is missing (udev
    // removes /dev/serial/by-id with the last adapter); true when the path is there already.
    bool watch();
    static void changed(GFileMonitor*, void* file, void* other, int event, void* self);

    std::string path;
    std::function<void()> appeared;
    GFileMonitor* monitor = nullptr;
    std::string watched;
};
