// protocolOut at scale: list lines, a full table written cell by cell, and the largest table.
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "timing.h"

#include "app/paths.h"
#include "app/startup.h"
#include "common/background_saves.h"
#include "common/files.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_settings.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void settle()
{
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

void useTable(int maxRows, int maxCols, int columns)
{
    setToggleState(WinSettings, IdSetAsTable, true);
    setControlText(WinSettings, IdSetMaxRows, std::to_string(maxRows));
    setControlText(WinSettings, IdSetMaxCols, std::to_string(maxCols));
    setControlText(WinSettings, IdSetColumns, std::to_string(columns));
    applyProtocolSettings();
    buildProtocolLayout(ModeTable);
}

// Writes every cell of rows 1..rows, columns 1..columns, as a program of CellPos and queries does.
double fillTable(int rows, int columns)
{
    auto start = std::chrono::steady_clock::now();
    for (int row = 1; row <= rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            protocol.cellRow = row;
            protocol.cellCol = column;
            protocolOut(std::to_string(row * 0.001 + column), 255, "");
        }
        if (row % 256 == 0)
            settle();
    }
    settle();
    return seconds(start);
}

// The longest the main loop stops while work runs: a timer that fires every millisecond stands
// for a running program's steps; the figure is the longest gap between two of its ticks, less
// the millisecond, from the start of work until finished says it is done.
double longestStopMs(const std::function<void()>& work, const std::function<bool()>& finished)
{
    static gint64 last = 0, longest = 0;
    last = g_get_monotonic_time();
    longest = 0;
    guint ticker = g_timeout_add(1, [](gpointer) -> gboolean {
        gint64 now = g_get_monotonic_time();
        longest = std::max(longest, now - last);
        last = now;
        return G_SOURCE_CONTINUE;
    }, nullptr);
    work();
    while (!finished())
        gtk_main_iteration_do(TRUE);
    g_source_remove(ticker);
    return std::max<gint64>(longest - 1000, 0) / 1000.0;
}

// The protocol leaving the program: clipboard, *.log save and one autosave write, each built and
// written on the save thread: the longest stop of the main loop meanwhile, and the time until
// the result is there.
void exportFigures(const char* what, int clipboardEntry)
{
    auto fieldIsNot = [](const std::string& text) {
        return [text] { return controlText(WinProtocol, IdPtkFileField) != text; };
    };
    auto start = std::chrono::steady_clock::now();
    double clipboardStop = longestStopMs([&] { exportProtocolToClipboard(clipboardEntry); },
                                         [] { return !toggleState(WinProtocol, IdPtkClipboard); });
    double clipboard = seconds(start) * 1000;
    setControlText(WinProtocol, IdPtkFileField, "");
    start = std::chrono::steady_clock::now();
    double saveStop = longestStopMs([] { saveProtocolLog(); }, fieldIsNot(""));
    double save = seconds(start) * 1000;
    protocolAutosave(0);
    start = std::chrono::steady_clock::now();
    double autosaveStop = longestStopMs([] { protocolAutosave(1); }, fieldIsNot("Autosave now"));
    double autosave = seconds(start) * 1000;
    protocolAutosave(2);
    finishBackgroundSaves();
    std::string bytes;
    readWholeFile(logDir + "bench.log", bytes);
    std::printf("%s: clipboard %.0f ms, *.log save %.0f ms (%zu bytes), autosave write %.0f ms;\n"
                "      longest stop of the loop meanwhile: %.1f ms, %.1f ms, %.1f ms\n",
                what, clipboard, save, bytes.size(), autosave, clipboardStop, saveStop, autosaveStop);
}

} // namespace

int main(int argc, char** argv)
{
    // A start-up message (no xterm, no ports) must not wait for a person.
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    startUp(&argc, &argv, findProgramDir());
    currentPort = 0;
    showOrToggleWindow(WinProtocol);
    settle();
    long before = residentKiB("VmRSS");

    const int lines = 100000;
    auto start = std::chrono::steady_clock::now();
    for (int line = 0; line < lines; ++line) {
        if (line % 2 == 0)
            protocolOut("Query:\nMEAS:VOLT:DC? (@" + std::to_string(line) + ")", 1, "");
        else
            protocolOut(std::to_string(line * 0.001) + " V", 255, "");
        if (line % 256 == 0)
            settle();
    }
    settle();
    double listTime = seconds(start);
    std::printf("list: %d lines in %.2f s, %.1f us per line, rows %d\n", lines, listTime,
                listTime / lines * 1e6, rowCount(WinProtocol, IdPtkList));
    std::printf("      memory after: %ld MiB resident (%ld MiB before)\n", residentKiB("VmRSS") / 1024,
                before / 1024);

    gchar* dir = g_dir_make_tmp("quirlo-bench-XXXXXX", nullptr);
    logDir = std::string(dir) + "/";
    setFileResponder([&](const FileRequest&) { return logDir + "bench.log"; });
    setToggleState(WinSettings, IdSetAutosave, true);
    exportFigures("list export", MenuPtkQueryNumbers);

    useTable(4096, 24, 24);
    settle();
    double tableTime = fillTable(4096, 24);
    std::printf("table 4096 x 24: %.2f s, %.1f us per cell\n", tableTime, tableTime / (4096 * 24) * 1e6);

    useTable(65535, 24, 24);
    settle();
    double largeTime = fillTable(65535, 24);
    std::printf("table 65535 x 24: %.2f s, %.1f us per cell, %ld MiB resident\n", largeTime,
                largeTime / (65535.0 * 24) * 1e6, residentKiB("VmRSS") / 1024);
    exportFigures("table export", MenuPtkTableFrame);
    std::string cleanup = std::string("rm -rf ") + dir;
    if (std::system(cleanup.c_str()) != 0)
        std::printf("could not remove %s\n", dir);
    g_free(dir);
    std::printf("peak resident memory: %ld MiB\n", residentKiB("VmHWM") / 1024);
    exitSequence();
    return 0;
}
