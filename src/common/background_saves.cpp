// The save thread and the hand-over of what it did to the main loop.
#include "common/background_saves.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <memory>
#include <mutex>

#include "common/files.h"

namespace {

struct Save {
    std::function<SaveOutcome()> work;
    std::function<void(SaveOutcome&)> done;
    SaveOutcome outcome;
};

GThreadPool* saveThread = nullptr;
std::mutex doneLock;
// Saves done on the thread, waiting for the main loop; guarded by doneLock, as is handOverSource.
std::deque<std::unique_ptr<Save>> doneSaves;
guint handOverSource = 0;

void handOver()
{
    std::deque<std::unique_ptr<Save>> saves;
    {
        std::lock_guard<std::mutex> lock(doneLock);
        saves.swap(doneSaves);
        if (handOverSource != 0)
            g_source_remove(handOverSource);
        handOverSource = 0;
    }
    for (std::unique_ptr<Save>& save : saves) {
        if (save->done)
            save->done(save->outcome);
    }
}

gboolean handOverOnLoop(gpointer)
{
    {
        std::lock_guard<std::mutex> lock(doneLock);
        handOverSource = 0;
    }
    handOver();
    return G_SOURCE_REMOVE;
}

void runSave(gpointer data, gpointer)
{
    std::unique_ptr<Save> save(static_cast<Save*>(data));
    save->outcome = save->work();
    std::lock_guard<std::mutex> lock(doneLock);
    doneSaves.push_back(std::move(save));
    if (handOverSource == 0)
        // Ahead of a flood read at idle priority: what the save hands back ends its memory.
        handOverSource = g_idle_add_full(G_PRIORITY_DEFAULT, handOverOnLoop, nullptr, nullptr);
}

} // namespace

void inBackground(std::function<SaveOutcome()> work, std::function<void(SaveOutcome&)> done)
{
    if (!saveThread)
        saveThread = g_thread_pool_new(runSave, nullptr, 1, FALSE, nullptr);
    g_thread_pool_push(saveThread, new Save{std::move(work), std::move(done), {}}, nullptr);
}

void finishBackgroundSaves()
{
    if (saveThread)
        g_thread_pool_free(saveThread, FALSE, TRUE);
    saveThread = nullptr;
    handOver();
}

bool replaceFileKeepingStart(const std::string& path, int64_t keepBytes, std::string_view tail, std::string* reason)
{
    if (keepBytes <= 0)
        return writeFileAtomic(path, tail, reason);
    int file = g_open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
    struct stat info {};
    std::string failure;
    if (file < 0 || fstat(file, &info) != 0)
        failure = g_strerror(errno);
    else if (info.st_size < keepBytes)
        failure = "Die Datei ist kürzer als erwartet";
    for (size_t done = 0; failure.empty() && done < tail.size();) {
        ssize_t count = pwrite(file, tail.data() + done, tail.size() - done, keepBytes + static_cast<int64_t>(done));
        if (count < 0 && errno != EINTR)
            failure = g_strerror(errno);
        done += count > 0 ? static_cast<size_t>(count) : 0;
    }
    if (failure.empty() && (ftruncate(file, keepBytes + static_cast<int64_t>(tail.size())) != 0 || fdatasync(file) != 0))
        failure = g_strerror(errno);
    if (file >= 0)
        close(file);
    if (!failure.empty() && reason)
        *reason = failure;
    return failure.empty();
}
