// The diagram's costs: drawing a 65,535-point series into a window and into a PNG file, and
// the runner's time per program row while the open diagram follows a table of 10,000 points,
// against the same run with the diagram closed (from the simulated instrument's log).
//   xvfb-run -a build/bench/diagram_bench
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_instrument.h"
#include "quirlo_bench.h"
#include "timing.h"

#include "diagram/diagram_plot.h"
#include "diagram/diagram_window.h"
#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

constexpr int tablePoints = 10000;
constexpr int loopPasses = 300;

Diagram longSeries()
{
    DiagramOptions options;
    options.alongRows = false;
    options.y = {1};
    return buildDiagram(
        options, [](int row, int) { return row == 1 ? std::string("U/V") : std::to_string(row % 1000 * 0.01); },
        65536, 1);
}

void drawingTimes(const std::string& dir)
{
    Diagram diagram = longSeries();
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
    gtk_widget_show(window);
    while (gtk_events_pending())
        gtk_main_iteration();
    const int draws = 5;
    double screen = milliseconds([&] {
        for (int i = 0; i < draws; ++i) {
            cairo_t* context = gdk_cairo_create(gtk_widget_get_window(window));
            drawDiagram(context, 800, 600, diagram);
            cairo_destroy(context);
            gdk_flush();
        }
    });
    std::printf("65,535-point series, 800 x 600: %.1f ms per drawing into a window\n", screen / draws);
    std::string reason;
    double png = milliseconds([&] {
        for (int i = 0; i < draws; ++i)
            writeDiagram(dir + "/diagram.png", 800, 600, diagram, reason);
    });
    std::printf("65,535-point series, 800 x 600: %.1f ms per PNG file\n", png / draws);
    gtk_widget_destroy(window);
}

// Milliseconds between the instrument's received queries.
struct Intervals {
    double mean = 0, median = 0, p90 = 0;
};

Intervals queryIntervals(const std::string& log)
{
    std::vector<long long> stamps = receivedStamps(log);
    std::vector<double> intervals;
    for (size_t i = 1; i < stamps.size(); ++i)
        intervals.push_back((stamps[i] - stamps[i - 1]) / 1000.0);
    std::sort(intervals.begin(), intervals.end());
    if (intervals.empty())
        return {};
    double sum = 0;
    for (double interval : intervals)
        sum += interval;
    return {sum / intervals.size(), intervals[intervals.size() / 2], intervals[intervals.size() * 9 / 10]};
}

// A table of 10,000 points down column 1, then a run that adds a value per pass below them.
Intervals runOverTable(bool diagramOpen, const std::string& dir)
{
    Instrument instrument = startInstrument(dir + "/quirlo-bench-diagram.log");
    useDevicePort(instrument.device, 20, 5, 3);
    clearProtocol(false);
    {
        BulkListChange bulk(WinProtocol, IdPtkList);
        insertRow(WinProtocol, IdPtkList, -1, {"1", "U/V"});
        for (int row = 2; row <= tablePoints + 1; ++row)
            insertRow(WinProtocol, IdPtkList, -1, {std::to_string(row), std::to_string(row % 100 * 0.1)});
    }
    DiagramOptions& options = diagramOptions();
    options = DiagramOptions{};
    options.alongRows = false;
    options.y = {1};
    if (diagramOpen)
        showWindow(WinDiagram);
    else if (windowExists(WinDiagram))
        hideWindow(WinDiagram);
    removeAllRows(WinProgram, IdPrgList);
    for (const std::vector<std::string>& cells : std::vector<std::vector<std::string>>{
             {"5", "Loop <i>,<i>,<i>", "10", "1;" + std::to_string(loopPasses) + ";1", ""},
             {"7", "CellPos <i>,<i>", "10", "#LI+" + std::to_string(tablePoints + 1) + ";1", ""},
             {"1", "MEAS:VOLT?", "10", "", ""},
             {"6", "LoopEnd", "10", "", ""}})
        insertRow(WinProgram, IdPrgList, -1, cells);
    runProgramToEnd();
    handleWaitingEvents();
    portClose(0);
    stopInstrument(instrument);
    return queryIntervals(instrument.log);
}

} // namespace

int main(int argc, char** argv)
{
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    std::string dir = startInTemporaryDirectory(argc, argv);
    showOrToggleWindow(WinProgram);
    showOrToggleWindow(WinProtocol);
    drawingTimes(dir);

    setToggleState(WinSettings, IdSetAsTable, true);
    setControlText(WinSettings, IdSetColumns, "3");
    setControlText(WinSettings, IdSetMaxRows, "65535");
    postEvent(EvControl, WinSettings, IdSetApplyProtocol);
    handleWaitingEvents();
    Intervals closed = runOverTable(false, dir);
    Intervals open = runOverTable(true, dir);
    // A pass is four rows: Loop, CellPos, the query and LoopEnd.
    const double expected = 4 * 10 + 20;
    std::printf("%d passes over a table of %d points (4 rows, %.0f ms of pauses and waits per pass):\n", loopPasses,
                tablePoints, expected);
    for (const auto& [what, pass] : {std::pair{"diagram closed", closed}, std::pair{"diagram open", open}})
        std::printf("  %-14s: per pass mean %.3f ms, median %.3f, 90th percentile %.3f; overhead per row (mean) %.3f ms\n",
                    what, pass.mean, pass.median, pass.p90, (pass.mean - expected) / 4);
    std::printf("  the diagram's drawings during the run: %zu points at the end\n",
                shownDiagram().series.empty() ? 0 : shownDiagram().series[0].y.size());
    Diagram table;
    double taking = milliseconds([&] { table = currentDiagram(); });
    GtkWidget* plot = controlWidget(WinDiagram, IdDgmPlot);
    double drawing = milliseconds([&] {
        cairo_t* context = gdk_cairo_create(gtk_widget_get_window(plot));
        drawDiagram(context, plot->allocation.width, plot->allocation.height, table);
        cairo_destroy(context);
        gdk_flush();
    });
    std::printf("  taking the %zu points out of the table %.1f ms, drawing them %.1f ms\n",
                table.series.empty() ? 0 : table.series[0].y.size(), taking, drawing);
    exitSequence();
    std::filesystem::remove_all(dir);
    return 0;
}
