// Redraws once per frame through GDK's update freezing: a frozen window collects what needs
// drawing, and the frame timer lets it draw and freezes it again.
#include "ui/redraws.h"

#include <gtk/gtk.h>

#include <map>
#include <vector>

#include "ui/controls.h"

namespace {

// 25 frames a second: the lists still move smoothly, and a fast run, whose queries take a
// tenth of a millisecond, is held up by a redraw at most once in 400 queries.
constexpr guint frameMs = 40;

std::vector<int> framed;
std::map<int, GdkWindow*> frozen;
guint frameSource = 0;
int frames = 0;

void thaw(GdkWindow* window)
{
    gdk_window_thaw_updates(window);
    gdk_window_process_updates(window, TRUE);
    g_object_unref(window);
}

void thawAll()
{
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

} // namespace

void beginFramedRedraws(std::initializer_list<int> windows)
{
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
