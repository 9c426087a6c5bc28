// Saving and loading a program and a command list of 100,000 rows, copying and pasting 10,000
// program entries through the clipboard, and loading damaged files (binary bytes, a 10 MB line).
//   xvfb-run -a build/bench/list_files_bench
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "app/startup.h"
#include "lists/list_files.h"
#include "lists/list_operations.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

#include "timing.h"

namespace {


void fill(int window, int list, int rows)
{
    BulkListChange bulk(window, list);
    for (int row = 0; row < rows; ++row) {
        std::string n = std::to_string(row);
        if (list == IdPrgList)
            insertRow(window, list, -1, {"0", "SOUR:VOLT <f>", "100", n + ".5", ""});
        else
            insertRow(window, list, -1, {"0", "SOUR:VOLT:LEV " + n, "100", "Spannung " + n});
    }
}

std::string binary(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919 + i / 13) & 0xFF);
    return bytes;
}

// Loading damaged files: a 10 MB line once took ten seconds to draw.
void damagedFiles(const std::string& dir)
{
    const std::string path = dir + "/quirlo-bench-damaged";
    const std::string hugeLine(10u << 20, '7');
    const struct {
        const char* what;
        int list;
        std::string bytes;
    } lists[] = {
        {"program of 64 KiB binary bytes", IdPrgList, binary(64 * 1024)},
        {"command list with a 10 MB line", IdCmdList, "0\tDATA " + hugeLine + "\t10\tlang\n1\t*IDN?\t100\t\n"},
    };
    for (const auto& list : lists) {
        g_file_set_contents(path.c_str(), list.bytes.data(), static_cast<gssize>(list.bytes.size()), nullptr);
        double load = milliseconds([&] { loadList(list.list, false, path); });
        std::printf("%s: load %.0f ms\n", list.what, load);
    }
    const struct {
        const char* what;
        std::string bytes;
    } settings[] = {
        {"*.set of 64 KiB binary bytes", binary(64 * 1024)},
        {"*.set with a 10 MB line", "VER=3\nDEVICE=" + hugeLine + "\nBAUD=9600\n"},
    };
    for (const auto& file : settings) {
        g_file_set_contents(path.c_str(), file.bytes.data(), static_cast<gssize>(file.bytes.size()), nullptr);
        double load = milliseconds([&] { loadSettingsFrom(path); });
        std::printf("%s: load %.0f ms\n", file.what, load);
    }
    std::remove(path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    // A start-up message (no xterm, no ports) must not wait for a person.
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    startUp(&argc, &argv, findProgramDir());
    std::string file;
    setFileResponder([&file](const FileRequest&) { return file; });
    showOrToggleWindow(WinProgram);
    showOrToggleWindow(WinCommandList);
    const std::string dir = g_get_tmp_dir();
    const int rows = 100000;
    for (int list : {IdPrgList, IdCmdList}) {
        int window = list == IdPrgList ? WinProgram : WinCommandList;
        file = dir + (list == IdPrgList ? "/quirlo-bench.run" : "/quirlo-bench.cml");
        fill(window, list, rows);
        double save = milliseconds([list] { saveList(list); });
        removeAllRows(window, list);
        setTitleMarker(list, false);
        double load = milliseconds([list] { loadList(list, true, ""); });
        std::printf("%s of %d rows: save %.0f ms, load %.0f ms (%d rows loaded)\n",
                    list == IdPrgList ? "program" : "command list", rows, save, load, rowCount(window, list));
        std::remove(file.c_str());
    }
    removeAllRows(WinProgram, IdPrgList);
    fill(WinProgram, IdPrgList, 10000);
    gtk_tree_selection_select_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(controlWidget(WinProgram, IdPrgList))));
    double copy = milliseconds([] { copyEntriesToClipboard(); });
    clearSelection(WinProgram, IdPrgList);
    double paste = milliseconds([] { pasteEntriesFromClipboard(); });
    std::printf("10000 program entries: copy %.0f ms, paste %.0f ms (%d rows after)\n", copy, paste,
                rowCount(WinProgram, IdPrgList));
    damagedFiles(dir);
    exitSequence();
    return 0;
}
