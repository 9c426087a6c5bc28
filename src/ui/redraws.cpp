// Redraws once per frame through GDK's update freezing: a frozen window collects what needs
// drawing, and the frame timer lets it draw and freezes it again.
#include "ui/redraws.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "ui/controls.h"

namespace {

std::vector<int> framed;
std::map<int, GdkWindow*> frozen;
guint frameSource = 0;
int frames = 0;
// Windows whose changes draw once at the end of the current frame, outside a run.
std::map<int, GdkWindow*> held;
guint heldSource = 0;
gint64 lastHeldDrawUs = 0;
// What each window does at the end of the frame, before it draws.
std::map<int, std::function<void()>> frameEndWork;

void runFrameEndWork()
{
    std::map<int, std::function<void()>> work;
    work.swap(frameEndWork);
    for (auto& [id, step] : work) {
        // A list's new rows are laid out now, while the window is frozen: its scroll to them
        // then draws in this frame, not a second time when GTK's own resize comes after the thaw.
        if (GtkWidget* widget = windowWidget(id); widget && gtk_widget_get_visible(widget))
            gtk_container_check_resize(GTK_CONTAINER(widget));
        step();
    }
}

void thaw(GdkWindow* window)
{
    gdk_window_thaw_updates(window);
    gdk_window_process_updates(window, TRUE);
    g_object_unref(window);
}

void thawAll()
{
    runFrameEndWork();
    ++frames;
    for (auto& [id, window] : frozen)
        thaw(window);
    frozen.clear();
}

// Freezes the listed windows that are realized now.
void freezeAll()
{
    for (int id : framed) {
        GtkWidget* widget = windowWidget(id);
        if (!widget || !gtk_widget_get_realized(widget))
            continue;
        GdkWindow* window = gtk_widget_get_window(widget);
        gdk_window_freeze_updates(window);
        frozen[id] = GDK_WINDOW(g_object_ref(window));
    }
}

gboolean frame(gpointer)
{
    thawAll();
    freezeAll();
    return G_SOURCE_CONTINUE;
}

gboolean releaseHeld(gpointer)
{
    heldSource = 0;
    lastHeldDrawUs = g_get_monotonic_time();
    runFrameEndWork();
    for (auto& [id, window] : held)
        thaw(window);
    held.clear();
    return G_SOURCE_REMOVE;
}

} // namespace

void beginFramedRedraws(std::initializer_list<int> windows)
{
    if (heldSource != 0) {
        g_source_remove(heldSource);
        releaseHeld(nullptr);
    }
    endFramedRedraws();
    frames = 0;
    framed.assign(windows);
    freezeAll();
    frameSource = g_timeout_add(frameMs, frame, nullptr);
}

void endFramedRedraws()
{
    if (frameSource != 0)
        g_source_remove(frameSource);
    frameSource = 0;
    thawAll();
    framed.clear();
}

int framedRedrawCount()
{
    return frames;
}

bool drawAtFrameEnd(int id)
{
    if (held.count(id) || std::find(framed.begin(), framed.end(), id) != framed.end())
        return true;
    GtkWidget* widget = windowWidget(id);
    if (!widget || !gtk_widget_get_realized(widget))
        return false;
    GdkWindow* window = gtk_widget_get_window(widget);
    gdk_window_freeze_updates(window);
    held[id] = GDK_WINDOW(g_object_ref(window));
    if (heldSource == 0) {
        bool streaming = g_get_monotonic_time() - lastHeldDrawUs < 2 * streamFrameMs * 1000;
        heldSource = g_timeout_add(streaming ? streamFrameMs : frameMs, releaseHeld, nullptr);
    }
    return true;
}

void atFrameEnd(int id, std::function<void()> work)
{
    if (drawAtFrameEnd(id))
        frameEndWork[id] = std::move(work);
    else
        work();
}

PausedFramedRedraws::PausedFramedRedraws() : paused(frameSource != 0)
{
    if (!paused)
        return;
    g_source_remove(frameSource);
    frameSource = 0;
    thawAll();
}

PausedFramedRedraws::~PausedFramedRedraws()
{
    if (!paused || framed.empty() || frameSource != 0)
        return;
    freezeAll();
    frameSource = g_timeout_add(frameMs, frame, nullptr);
}
