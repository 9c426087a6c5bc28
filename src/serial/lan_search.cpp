// The search for instruments on the LAN as Quirlo runs it.
#include "serial/lan_search.h"

#include <glib.h>
#include <signal.h>
#include <sys/prctl.h>

#include <algorithm>
#include <vector>

#include "common/text.h"

struct LanSearchShared {
    LanSearchHooks hooks;
    GPid pid = 0;
    GIOChannel* output = nullptr;
    guint watch = 0;
    int steps = 1;
    bool complete = false;
    bool ended = false;
};

namespace {

void closeOutput(LanSearchShared& search)
{
    if (search.watch)
        g_source_remove(search.watch);
    search.watch = 0;
    if (search.output) {
        g_io_channel_shutdown(search.output, FALSE, nullptr);
        g_io_channel_unref(search.output);
    }
    search.output = nullptr;
}

void handleLine(LanSearchShared& search, const std::string& line)
{
    std::vector<std::string> parts = splitText(line, "\t");
    if (parts[0] == "steps" && parts.size() == 2)
        search.steps = static_cast<int>(std::max<int64_t>(intValue(parts[1]), 1));
    else if (parts[0] == "step" && parts.size() == 2)
        search.hooks.stepped(static_cast<int>(intValue(parts[1])), search.steps);
    else if (parts[0] == "found" && parts.size() == 3)
        search.hooks.found({parts[1], parts[2]});
    else if (parts[0] == "end")
        search.complete = true;
}

gboolean onOutput(GIOChannel* channel, GIOCondition, gpointer data)
{
    // The hooks may stop the search: it lives on until this call is done.
    std::shared_ptr<LanSearchShared> search = *static_cast<std::shared_ptr<LanSearchShared>*>(data);
    gchar* line = nullptr;
    gsize length = 0;
    GIOStatus status = G_IO_STATUS_NORMAL;
    while (!search->ended &&
           (status = g_io_channel_read_line(channel, &line, &length, nullptr, nullptr)) == G_IO_STATUS_NORMAL) {
        std::string text(line, length);
        g_free(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        handleLine(*search, text);
    }
    if (search->ended)
        return G_SOURCE_REMOVE;
    if (status == G_IO_STATUS_AGAIN)
        return G_SOURCE_CONTINUE;
    // The program has ended: at its end, or cut short.
    search->ended = true;
    search->watch = 0;
    closeOutput(*search);
    search->hooks.ended(search->complete);
    return G_SOURCE_REMOVE;
}

} // namespace

std::string announcedPort(const std::string& address, const std::string& service, int port)
{
    if (address.empty())
        return "";
    std::string host = address.find(':') == std::string::npos ? address : "[" + address + "]";
    if (service == "vxi-11" || service == "lxi")
        return "vxi11:" + host;
    if (service == "scpi-raw" && port > 0 && port <= 65535)
        return "tcp:" + host + ":" + std::to_string(port);
    return "";
}

std::string lanSearchProgram()
{
    const char* name = "quirlo-lan-search";
    std::string found;
    if (gchar* self = g_file_read_link("/proc/self/exe", nullptr)) {
        gchar* directory = g_path_get_dirname(self);
        gchar* beside = g_build_filename(directory, name, nullptr);
        if (g_file_test(beside, G_FILE_TEST_IS_EXECUTABLE))
            found = beside;
        g_free(beside);
        g_free(directory);
        g_free(self);
    }
    if (found.empty()) {
        gchar* onPath = g_find_program_in_path(name);
        found = onPath ? onPath : "";
        g_free(onPath);
    }
    return found;
}

bool LanSearch::start(LanSearchHooks hooks, int stepMs)
{
    stop();
    std::string program = lanSearchProgram();
    if (program.empty())
        return false;
    std::string step = std::to_string(stepMs);
    std::vector<char*> argv = {program.data(), step.data(), nullptr};
    auto search = std::make_shared<LanSearchShared>();
    search->hooks = std::move(hooks);
    gint out = -1;
    // The search ends with Quirlo, however Quirlo ends.
    auto endWithParent = [](gpointer) { prctl(PR_SET_PDEATHSIG, SIGTERM); };
    if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr,
                                  GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), endWithParent,
                                  nullptr, &search->pid, nullptr, &out, nullptr, nullptr))
        return false;
    g_child_watch_add(search->pid, [](GPid pid, gint, gpointer) { g_spawn_close_pid(pid); }, nullptr);
    search->output = g_io_channel_unix_new(out);
    g_io_channel_set_encoding(search->output, nullptr, nullptr);
    g_io_channel_set_flags(search->output, G_IO_FLAG_NONBLOCK, nullptr);
    search->watch = g_io_add_watch_full(
        search->output, G_PRIORITY_DEFAULT, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), onOutput,
        new std::shared_ptr<LanSearchShared>(search),
        [](gpointer data) { delete static_cast<std::shared_ptr<LanSearchShared>*>(data); });
    shared = search;
    return true;
}

void LanSearch::stop()
{
    if (shared && !shared->ended) {
        kill(shared->pid, SIGTERM);
        shared->ended = true;
        closeOutput(*shared);
    }
    shared.reset();
}

bool LanSearch::running() const
{
    return shared && !shared->ended;
}
