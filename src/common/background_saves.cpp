// The save thread and the hand-over of what it did to the main loop.
#include "common/background_saves.h"

#include <gio/gio.h>

#include <algorithm>
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
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    GFileInputStream* in = g_file_read(file, nullptr, &error);
    GFileOutputStream* out =
        in ? g_file_replace(file, nullptr, FALSE, G_FILE_CREATE_REPLACE_DESTINATION, nullptr, &error) : nullptr;
    char buffer[65536];
    for (int64_t copied = 0; out && !error && copied < keepBytes;) {
        gssize count = g_input_stream_read(G_INPUT_STREAM(in), buffer,
                                           static_cast<gsize>(std::min<int64_t>(sizeof buffer, keepBytes - copied)),
                                           nullptr, &error);
        if (count == 0 && !error)
            g_set_error_literal(&error, G_IO_ERROR, G_IO_ERROR_PARTIAL_INPUT, "Die Datei ist kürzer als erwartet");
        if (error || !g_output_stream_write_all(G_OUTPUT_STREAM(out), buffer, static_cast<gsize>(count), nullptr,
                                                nullptr, &error))
            break;
        copied += count;
    }
    if (out && !error)
        g_output_stream_write_all(G_OUTPUT_STREAM(out), tail.data(), tail.size(), nullptr, nullptr, &error);
    // Closing renames the new file over the old one; after a failure the old one stays.
    if (out && !error)
        g_output_stream_close(G_OUTPUT_STREAM(out), nullptr, &error);
    else if (out) {
        // A cancelled close leaves the old file in place.
        GCancellable* abandon = g_cancellable_new();
        g_cancellable_cancel(abandon);
        g_output_stream_close(G_OUTPUT_STREAM(out), abandon, nullptr);
        g_object_unref(abandon);
    }
    bool replaced = !error;
    if (error && reason)
        *reason = error->message;
    if (error)
        g_error_free(error);
    if (out)
        g_object_unref(out);
    if (in)
        g_object_unref(in);
    g_object_unref(file);
    return replaced;
}
