// Runs Quirlo's start-up inside the test process under the virtual X server.
#include "gui/harness.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <tuple>
#include <fstream>
#include <sstream>

#include "app/main_loop.h"
#include "app/startup.h"
#include "serial/lock_files.h"
#include "serial/loopback.h"
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
    // Quirlo's own helper programs are found beside it; the tests' executable is elsewhere.
    static const std::string programDir = std::filesystem::path(QUIRLO_PROGRAM).parent_path();
    g_setenv("PATH", (machineDir + "/bin:" + programDir + ":" + systemPath).c_str(), TRUE);
    g_setenv("HOME", machineDir.c_str(), TRUE);
    // Port locks stay in the test's machine: tests side by side get each other's terminal numbers.
    lockDirectory = machineDir;
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
    std::string busy;
    if (!pump(g_get_monotonic_time() + busyLimitMs * 1000, busy))
        ADD_FAILURE() << "The loop was still busy after " << busyLimitMs << " ms: " << busy;
}

bool QuirloTest::pump(gint64 deadline, std::string& busy)
{
    std::map<std::tuple<int, int, int>, int> handled;
    int toolkitIterations = 0;
    while (g_get_monotonic_time() < deadline) {
        // Quirlo's queue first, as the main loop takes it: a toolkit source that is ready at
        // every iteration must not keep a waiting tick from being handled.
        Event event;
        if (takeEvent(event)) {
            handle(event);
            ++handled[{event.kind, event.window, event.object}];
        } else if (gtk_events_pending()) {
            gtk_main_iteration_do(FALSE);
            ++toolkitIterations;
        } else {
            return true;
        }
    }
    std::ostringstream report;
    report << toolkitIterations << " toolkit iterations";
    if (handled.empty())
        report << " and no event of Quirlo's queue: a toolkit source was ready at every one";
    for (const auto& [key, count] : handled) {
        const auto& [kind, window, object] = key;
        report << "; event kind " << kind << " window " << window << " object " << object << ": " << count
               << " times";
    }
    busy = report.str();
    return false;
}

bool QuirloTest::pumpUntil(const std::function<bool()>& condition, int seconds)
{
    const gint64 deadline = g_get_monotonic_time() + seconds * G_USEC_PER_SEC;
    // The blocking wait wakes at least every 20 ms, for the deadline and for conditions that no
    // toolkit event announces (a file another process writes).
    guint wake = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    std::string busy;
    bool idle = pump(deadline, busy);
    while (!condition() && g_get_monotonic_time() < deadline) {
        gtk_main_iteration();
        idle = pump(deadline, busy);
    }
    g_source_remove(wake);
    if (!idle)
        ADD_FAILURE() << "The loop never became idle while waiting: " << busy;
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

Helper::Helper(std::vector<std::string> arguments, const char* awaited)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    gint out = -1;
    auto flags = GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL |
                             (awaited ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL));
    g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, flags, [](gpointer) { setpgid(0, 0); }, nullptr, &pid,
                             nullptr, awaited ? &out : nullptr, nullptr, nullptr);
    if (out < 0)
        return;
    GIOChannel* channel = g_io_channel_unix_new(out);
    gchar* read = nullptr;
    while (g_io_channel_read_line(channel, &read, nullptr, nullptr, nullptr) == G_IO_STATUS_NORMAL && read) {
        line = g_strstrip(read);
        g_free(read);
        read = nullptr;
        if (line.find(awaited) != std::string::npos)
            break;
        line.clear();
    }
    g_free(read);
    // Open while the helper runs: what it prints later must not end it.
    output = channel;
}

Helper::~Helper()
{
    if (pid > 0) {
        kill(-pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        g_spawn_close_pid(pid);
    }
    if (output) {
        g_io_channel_shutdown(output, FALSE, nullptr);
        g_io_channel_unref(output);
    }
}

Vxi11Turn::Vxi11Turn() : lock(open("/tmp/quirlo-vxi11.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
{
    flock(lock, LOCK_EX);
    ensureRpcbind();
}

Vxi11Turn::~Vxi11Turn()
{
    close(lock);
}
