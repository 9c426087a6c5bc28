// Runs Quirlo's start-up inside the test process under the virtual X server.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include "app/main_loop.h"
#include "app/startup.h"
#include "ui/controls.h"
#include "ui/ids.h"

void QuirloTest::SetUp()
{
    setMessageResponder([this](const MessageRequest& request) {
        messages.push_back(request);
        if (messageAnswers.empty())
            return static_cast<int>(ResultYes);
        int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    });
    setFileResponder([this](const FileRequest& request) {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return std::string();
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    });
    static int argc = 1;
    static char name[] = "quirlo-test";
    static char* args[] = {name, nullptr};
    static char** argv = args;
    startUp(&argc, &argv);
    // Test processes share one virtual screen: the pointer waits in a corner no window covers,
    // and no tooltip timers run, so no test reacts to another one's windows.
    GdkScreen* screen = gdk_screen_get_default();
    gdk_display_warp_pointer(gdk_display_get_default(), screen, gdk_screen_get_width(screen) - 1,
                             gdk_screen_get_height(screen) - 1);
    g_object_set(gtk_settings_get_default(), "gtk-enable-tooltips", FALSE, nullptr);
    pumpUntilIdle();
}

void QuirloTest::TearDown()
{
    exitSequence();
    setMessageResponder(nullptr);
    setFileResponder(nullptr);
}

void QuirloTest::handle(const Event& event)
{
    if (manualTicks && event.kind == EvTimer) {
        if (postedTicks == 0)
            return;
        --postedTicks;
    }
    dispatchEvent(event);
}

void QuirloTest::pumpUntilIdle()
{
    bool worked = true;
    while (worked) {
        worked = false;
        while (gtk_events_pending()) {
            gtk_main_iteration_do(FALSE);
            worked = true;
        }
        Event event;
        while (takeEvent(event)) {
            handle(event);
            worked = true;
        }
    }
}

bool QuirloTest::pumpUntil(const std::function<bool()>& condition)
{
    bool expired = false;
    guint deadline = g_timeout_add(5000, [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &expired);
    pumpUntilIdle();
    while (!condition() && !expired) {
        gtk_main_iteration();
        pumpUntilIdle();
    }
    if (!expired)
        g_source_remove(deadline);
    return condition();
}

bool QuirloTest::waitForSize(int window, int width, int height)
{
    return pumpUntil([&] {
        GtkWidget* widget = windowWidget(window);
        return widget && widget->allocation.width == width && widget->allocation.height == height;
    });
}

void QuirloTest::post(int kind, int window, int object, int type)
{
    if (kind == EvTimer)
        ++postedTicks;
    postEvent(kind, window, object, type);
}

void QuirloTest::send(int kind, int window, int object, int type)
{
    post(kind, window, object, type);
    pumpUntilIdle();
}
