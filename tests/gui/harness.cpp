// Runs Quirlo's start-up inside the test process under the virtual X server.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include "app/main_loop.h"
#include "app/startup.h"
#include "ui/controls.h"

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
            dispatchEvent(event);
            worked = true;
        }
    }
}

void QuirloTest::pumpFor(int milliseconds)
{
    bool done = false;
    g_timeout_add(static_cast<guint>(milliseconds), [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &done);
    while (!done) {
        Event event;
        if (takeEvent(event))
            dispatchEvent(event);
        else
            gtk_main_iteration();
    }
    pumpUntilIdle();
}

bool QuirloTest::waitForSize(int window, int width, int height)
{
    for (int i = 0; i < 100; ++i) {
        GtkWidget* widget = windowWidget(window);
        if (widget && widget->allocation.width == width && widget->allocation.height == height)
            return true;
        pumpFor(10);
    }
    return false;
}

void QuirloTest::post(int kind, int window, int object, int type)
{
    postEvent(kind, window, object, type);
}

void QuirloTest::send(int kind, int window, int object, int type)
{
    post(kind, window, object, type);
    pumpUntilIdle();
}
