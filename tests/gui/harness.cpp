// Runs Quirlo's start-up inside the test process under the virtual X server.
#include "gui/harness.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/main_loop.h"
#include "app/startup.h"
#include "serial/port_discovery.h"
#include "ui/controls.h"
#include "ui/ids.h"

namespace {

// Each stand-in appends "name [arg] [arg] ..." to calls.log and then does its part.
const char* const recordCall = R"(#!/bin/sh
dir=$(dirname "$0")/..
line=$(basename "$0")
for argument in "$@"; do line="$line [$argument]"; done
printf '%s\n' "$line" >>"$dir/calls.log"
)";

const struct {
    const char* name;
    const char* action;
} standIns[] = {
    {"xterm", R"(shift; exec sh -c "$1")"},
    {"dmesg", R"(cat "$dir/dmesg" 2>/dev/null; exit 0)"},
    {"groups", R"(cat "$dir/groups" 2>/dev/null || echo user)"},
    {"which", R"([ -x "$dir/bin/$1" ] && echo "$dir/bin/$1")"},
    {"sudo", "exit 0"},
    {"beep", "exit 0"},
    {"ls", R"(name=$(basename "$2")
while read -r port mode group; do
    [ "$port" = "$name" ] && echo "$mode 1 root $group 4, 64 Dec  7 11:00 $2"
done <"$dir/rights" 2>/dev/null
exit 0)"},
};

} // namespace

void QuirloTest::writeMachineFile(const std::string& name, const std::string& content)
{
    std::ofstream(machineDir + "/" + name) << content;
}

std::vector<std::string> QuirloTest::standInCalls()
{
    std::vector<std::string> calls;
    std::ifstream log(machineDir + "/calls.log");
    for (std::string line; std::getline(log, line);)
        calls.push_back(line);
    return calls;
}

void QuirloTest::forgetStandInCalls()
{
    g_remove((machineDir + "/calls.log").c_str());
}

void QuirloTest::SetUp()
{
    gchar* dir = g_dir_make_tmp("quirlo-test-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    machineDir = dir;
    g_free(dir);
    std::filesystem::create_directory(machineDir + "/bin");
    for (const auto& standIn : standIns) {
        std::string path = machineDir + "/bin/" + standIn.name;
        std::ofstream(path) << recordCall << standIn.action << "\n";
        g_chmod(path.c_str(), 0755);
    }
    static const std::string systemPath = g_getenv("PATH") ? g_getenv("PATH") : "/usr/bin:/bin";
    g_setenv("PATH", (machineDir + "/bin:" + systemPath).c_str(), TRUE);
    g_setenv("HOME", machineDir.c_str(), TRUE);
    discoveryPlaces.sysRoot = machineDir + "/sys";
    discoveryPlaces.devRoot = machineDir + "/dev";
    prepareMachine();

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
    // A virtual X server without clients resets and refuses connections for a moment, as it
    // may between two test processes: the display is opened as soon as it takes one, and the
    // start-up uses it.
    gtk_parse_args(&argc, &argv);
    GdkDisplay* display = nullptr;
    for (int tries = 0; tries < 500 && !(display = gdk_display_open(nullptr)); ++tries)
        g_usleep(10000);
    ASSERT_NE(display, nullptr);
    gdk_display_manager_set_default_display(gdk_display_manager_get(), display);
    startUp(&argc, &argv, machineDir + "/");
    // Test processes share one virtual screen: the pointer waits in a corner no window covers,
    // and no tooltip timers run, so no test reacts to another one's windows.
    GdkScreen* screen = gdk_screen_get_default();
    gdk_display_warp_pointer(gdk_display_get_default(), screen, gdk_screen_get_width(screen) - 1,
                             gdk_screen_get_height(screen) - 1);
    g_object_set(gtk_settings_get_default(), "gtk-enable-tooltips", FALSE, nullptr);
    pumpUntilIdle();
    startUpMessages.swap(messages);
}

void QuirloTest::TearDown()
{
    exitSequence();
    setMessageResponder(nullptr);
    setFileResponder(nullptr);
    std::filesystem::remove_all(machineDir);
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
    // Conditions that no toolkit event announces (a file another process writes) are looked
    // at again every 20 ms as well.
    guint wake = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    pumpUntilIdle();
    while (!condition() && !expired) {
        gtk_main_iteration();
        pumpUntilIdle();
    }
    g_source_remove(wake);
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
