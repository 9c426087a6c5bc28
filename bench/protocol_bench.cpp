// protocolOut at scale: list lines, a full table written cell by cell, and the largest table.
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "timing.h"

#include "app/paths.h"
#include "app/startup.h"
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

// The protocol leaving the program: clipboard, *.log save and one autosave write.
void exportFigures(const char* what, int clipboardEntry)
{
    double clipboard = milliseconds([&] { exportProtocolToClipboard(clipboardEntry); });
    double save = milliseconds([] { saveProtocolLog(); });
    protocolAutosave(0);
    double autosave = milliseconds([] { protocolAutosave(1); });
    protocolAutosave(2);
    std::string bytes;
    readWholeFile(logDir + "bench.log", bytes);
    std::printf("%s: clipboard %.0f ms, *.log save %.0f ms (%zu bytes), autosave write %.0f ms\n", what, clipboard,
                save, bytes.size(), autosave);
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
