// A long run against the simulated instrument: a program of ROWS rows in a counting loop of
// PASSES passes (each pass clears the protocol first), with the shortest pauses. Every 10 s it
// prints the resident memory and the open file descriptors; at the end the growth of both.
// Then a protocol of 100,000 lines is scrolled to random places.
//   xvfb-run -a build/bench/soak_bench [ROWS [PASSES]]      (defaults 2000 and 1000: hours)
#include <sys/wait.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "quirlo_bench.h"
#include "timing.h"

#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

struct Sample {
    long residentKiB;
    long descriptors;
};

Sample sample()
{
    return {residentKiB("VmRSS"), openDescriptors()};
}

GPid startInstrument(std::string& device)
{
    const gchar* argv[] = {QUIRLO_SIM_INSTRUMENT, nullptr};
    gint out = -1;
    GPid pid = 0;
    g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                             &pid, nullptr, &out, nullptr, nullptr);
    char name[64] = {};
    ssize_t count = read(out, name, sizeof name - 1);
    close(out);
    device.assign(name, count > 0 ? static_cast<size_t>(count) : 0);
    device.erase(device.find_last_not_of("\r\n") + 1);
    return pid;
}

void soak(int rows, int passes)
{
    std::string device;
    GPid instrument = startInstrument(device);
    useDevicePort(device, 10, 2, 5);
    {
        BulkListChange bulk(WinProgram, IdPrgList);
        insertRow(WinProgram, IdPrgList, -1, {"5", "Loop <i>,<i>,<i>", "10", "1;" + std::to_string(passes) + ";1", ""});
        insertRow(WinProgram, IdPrgList, -1, {"9", "ClearProt", "10", "", ""});
        for (int row = 0; row < rows; ++row) {
            if (row % 2 == 0)
                insertRow(WinProgram, IdPrgList, -1, {"0", "VOLT <f>", "10", "#LI", ""});
            else
                insertRow(WinProgram, IdPrgList, -1, {"1", "MEAS:VOLT?", "10", "", ""});
        }
        insertRow(WinProgram, IdPrgList, -1, {"6", "LoopEnd", "10", "", ""});
    }
    Sample first = sample();
    Sample last = first;
    long largestKiB = first.residentKiB;
    auto start = std::chrono::steady_clock::now();
    auto nextSample = start + std::chrono::seconds(10);
    runProgramToEnd([&] {
        if (std::chrono::steady_clock::now() >= nextSample) {
            nextSample += std::chrono::seconds(10);
            last = sample();
            largestKiB = std::max(largestKiB, last.residentKiB);
            std::printf("  %5.0f s: %ld KiB resident, %ld descriptors, pass %lld\n",
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                        last.residentKiB, last.descriptors, loopState.loopCounter);
            std::fflush(stdout);
        }
    });
    last = sample();
    std::printf("%d rows x %d passes in %.0f s: resident %ld -> %ld KiB (largest %ld), descriptors %ld -> %ld\n", rows,
                passes, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                first.residentKiB, last.residentKiB, largestKiB, first.descriptors, last.descriptors);
    portClose(0);
    kill(instrument, SIGTERM);
    waitpid(instrument, nullptr, 0);
}

void scrollLargeProtocol()
{
    removeAllRows(WinProtocol, IdPtkList);
    portCount = 1;
    currentPort = 0;
    for (int line = 0; line < 100000; ++line)
        protocolOut("Return:\n" + std::to_string(line * 0.001), 255, "");
    GtkTreeView* view = GTK_TREE_VIEW(controlWidget(WinProtocol, IdPtkList));
    std::mt19937 random(3);
    double worst = 0;
    double total = 0;
    for (int jump = 0; jump < 50; ++jump) {
        int row = static_cast<int>(random() % 100000);
        double ms = milliseconds([&] {
            GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
            gtk_tree_view_scroll_to_cell(view, path, nullptr, TRUE, 0.5f, 0.0f);
            gtk_tree_path_free(path);
            gdk_window_process_all_updates();
        });
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("protocol of %d lines, 50 jumps to random lines: %.1f ms on average, %.1f ms at most\n",
                rowCount(WinProtocol, IdPtkList), total / 50, worst);
}

} // namespace

int main(int argc, char** argv)
{
    int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
    int passes = argc > 2 ? std::atoi(argv[2]) : 1000;
    setMessageResponder([](const MessageRequest& request) {
        std::printf("  message: %s\n", request.text.c_str());
        return static_cast<int>(ResultYes);
    });
    std::string programDir = startInTemporaryDirectory(argc, argv);
    showOrToggleWindow(WinProgram);
    showOrToggleWindow(WinProtocol);
    soak(rows, passes);
    scrollLargeProtocol();
    exitSequence();
    std::filesystem::remove_all(programDir);
    return 0;
}
