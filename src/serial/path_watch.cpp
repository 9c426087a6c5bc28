// The directory watch behind a lost port's return.
#include "serial/path_watch.h"

#include <gio/gio.h>

PathWatch::PathWatch(std::string watchedPath, std::function<void()> whenThere)
    : path(std::move(watchedPath)), appeared(std::move(whenThere))
{
    if (watch()) {
        // Told from the main loop, as every later return is: the caller is not yet ready.
        g_idle_add_full(G_PRIORITY_DEFAULT, [](gpointer self) {
            static_cast<PathWatch*>(self)->changed(nullptr, nullptr, nullptr, 0, self);
            return G_SOURCE_REMOVE;
        }, this, nullptr);
    }
}

PathWatch::~PathWatch()
{
    g_idle_remove_by_data(this);
    if (monitor) {
        g_signal_handlers_disconnect_by_data(monitor, this);
        g_file_monitor_cancel(monitor);
        g_object_unref(monitor);
    }
}

bool PathWatch::watch()
{
    if (g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return true;
    gchar* directory = g_path_get_dirname(path.c_str());
    std::string nearest = directory;
    g_free(directory);
    while (!g_file_test(nearest.c_str(), G_FILE_TEST_IS_DIR) && nearest != "/" && nearest != ".") {
        gchar* above = g_path_get_dirname(nearest.c_str());
        nearest = above;
        g_free(above);
    }
    if (nearest == watched)
        return false;
    if (monitor) {
        g_signal_handlers_disconnect_by_data(monitor, this);
        g_file_monitor_cancel(monitor);
        g_object_unref(monitor);
        monitor = nullptr;
    }
    watched = nearest;
    GFile* file = g_file_new_for_path(nearest.c_str());
    monitor = g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    g_object_unref(file);
    if (monitor)
        g_signal_connect(monitor, "changed", G_CALLBACK(changed), this);
    // The path may have come between the first look and the watch.
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

void PathWatch::changed(GFileMonitor*, void*, void*, int, void* data)
{
    auto* self = static_cast<PathWatch*>(data);
    if (!self->appeared || !self->watch())
        return;
    // Once: the owner usually ends the watch from here.
    std::function<void()> tell = std::move(self->appeared);
    self->appeared = nullptr;
    tell();
}
