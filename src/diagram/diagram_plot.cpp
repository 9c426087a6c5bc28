// Drawing the diagram with PLplot. Quirlo chooses the data, the ranges and the options; the
// axes, their ticks and labels, log scales and the legend are the library's. Every drawing is a
// stream of its own, ended when it is done.
#include "diagram/diagram_plot.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <plplot.h>

#include <array>
#include <mutex>
#include <vector>

#include "common/files.h"
#include "common/text.h"

namespace {

// The colour map: background, frame and text, then the series in turn.
constexpr std::array<std::array<PLINT, 3>, 9> colours = {{
    {255, 255, 255},
    {0, 0, 0},
    {32, 74, 135},
    {204, 0, 0},
    {78, 154, 6},
    {245, 121, 0},
    {117, 80, 123},
    {143, 89, 2},
    {0, 152, 152},
}};
constexpr PLINT firstSeriesColour = 2;
// The library keeps its streams in one global state: one drawing at a time, whatever thread.
std::mutex plotting;
// The points of the series, and of their legend.
const char* const pointSymbol = "#(728)";

PLINT seriesColour(size_t index)
{
    return firstSeriesColour + static_cast<PLINT>(index % (colours.size() - firstSeriesColour));
}

// PLplot reads "#" as the start of a text command.
std::string plotText(const std::string& text)
{
    std::string escaped = text;
    replaceAll(escaped, "#", "##");
    return escaped;
}

// Messages of the library's recoverable errors go nowhere: the diagram's data are checked
// before they are drawn.
void quietAbort(PLCHAR_VECTOR) {}

// Opens a stream on the device, the colours and the page set.
void beginStream(const char* device, int width, int height)
{
    PLINT stream = 0;
    plmkstrm(&stream);
    plsabort(quietAbort);
    plsdev(device);
    plspage(0, 0, width, height, 0, 0);
    std::array<PLINT, colours.size()> r{}, g{}, b{};
    for (size_t i = 0; i < colours.size(); ++i) {
        r[i] = colours[i][0];
        g[i] = colours[i][1];
        b[i] = colours[i][2];
    }
    plscmap0(r.data(), g.data(), b.data(), static_cast<PLINT>(colours.size()));
}

void drawSeries(const Series& series, PLINT colour, DiagramStyle style)
{
    plcol0(colour);
    const auto count = static_cast<PLINT>(series.x.size());
    if (style != DiagramStyle::Points && count > 1)
        plline(count, series.x.data(), series.y.data());
    // A single point is shown as a point, whatever the style.
    if (style != DiagramStyle::Lines || count == 1)
        plstring(count, series.x.data(), series.y.data(), pointSymbol);
}

void drawLegend(const Diagram& diagram)
{
    const size_t count = diagram.series.size();
    std::vector<PLINT> options(count), textColours(count, 1), lineColours(count), lineStyles(count, 1),
        symbolColours(count), symbolNumbers(count, 1);
    std::vector<PLFLT> lineWidths(count, 1.0), symbolScales(count, 1.0);
    std::vector<std::string> names(count);
    std::vector<const char*> texts(count), symbols(count, pointSymbol);
    for (size_t i = 0; i < count; ++i) {
        options[i] = (diagram.style != DiagramStyle::Points ? PL_LEGEND_LINE : 0) |
                     (diagram.style != DiagramStyle::Lines ? PL_LEGEND_SYMBOL : 0);
        lineColours[i] = symbolColours[i] = seriesColour(i);
        names[i] = plotText(diagram.series[i].name + (diagram.series[i].secondAxis ? " (rechts)" : ""));
        texts[i] = names[i].c_str();
    }
    PLFLT width = 0, height = 0;
    pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
             PL_POSITION_TOP | PL_POSITION_LEFT | PL_POSITION_INSIDE, 0.02, 0.02, 0.06, 0, 1, 1, 0, 0,
             static_cast<PLINT>(count), options.data(), 1.0, 0.8, 2.0, 0.0, textColours.data(), texts.data(),
             nullptr, nullptr, nullptr, nullptr, lineColours.data(), lineStyles.data(), lineWidths.data(),
             symbolColours.data(), symbolScales.data(), symbolNumbers.data(), symbols.data());
}

void drawPage(const Diagram& diagram)
{
    pladv(0);
    plvpor(0.12, diagram.hasSecondAxis ? 0.86 : 0.95, 0.14, 0.92);
    plwind(diagram.x.min, diagram.x.max, diagram.y.min, diagram.y.max);
    plcol0(1);
    std::string xAxis = std::string("bcnst") + (diagram.logX ? "l" : "");
    std::string yAxis = std::string(diagram.hasSecondAxis ? "bnstv" : "bcnstv") + (diagram.logY ? "l" : "");
    plbox(xAxis.c_str(), 0, 0, yAxis.c_str(), 0, 0);
    pllab(plotText(diagram.xName).c_str(), plotText(diagram.yName).c_str(), "");
    for (size_t i = 0; i < diagram.series.size(); ++i) {
        if (!diagram.series[i].secondAxis)
            drawSeries(diagram.series[i], seriesColour(i), diagram.style);
    }
    if (diagram.hasSecondAxis) {
        plwind(diagram.x.min, diagram.x.max, diagram.y2.min, diagram.y2.max);
        plcol0(1);
        std::string rightAxis = std::string("cmstv") + (diagram.logY ? "l" : "");
        plbox("", 0, 0, rightAxis.c_str(), 0, 0);
        plmtex("r", 5.0, 0.5, 0.5, plotText(diagram.y2Name).c_str());
        for (size_t i = 0; i < diagram.series.size(); ++i) {
            if (diagram.series[i].secondAxis)
                drawSeries(diagram.series[i], seriesColour(i), diagram.style);
        }
    }
    drawLegend(diagram);
}

const char* deviceFor(const std::string& path)
{
    if (hasExtension(path, ".png"))
        return "pngcairo";
    if (hasExtension(path, ".svg"))
        return "svgcairo";
    if (hasExtension(path, ".pdf"))
        return "pdfcairo";
    return nullptr;
}

} // namespace

bool plottingAvailable()
{
    static const bool available = [] {
        std::lock_guard<std::mutex> lock(plotting);
        std::vector<const char*> menus(256), names(256);
        int count = static_cast<int>(names.size());
        const char** menuList = menus.data();
        const char** nameList = names.data();
        plgDevs(&menuList, &nameList, &count);
        int found = 0;
        for (int i = 0; i < count; ++i) {
            std::string name = nameList[i];
            found += name == "extcairo" || name == "pngcairo" || name == "svgcairo" || name == "pdfcairo";
        }
        return found == 4;
    }();
    return available;
}

void drawDiagram(cairo_t* context, int width, int height, const Diagram& diagram)
{
    cairo_save(context);
    cairo_set_source_rgb(context, 1, 1, 1);
    cairo_paint(context);
    cairo_restore(context);
    if (!diagram.drawable() || !plottingAvailable() || width < 50 || height < 50)
        return;
    std::lock_guard<std::mutex> lock(plotting);
    beginStream("extcairo", width, height);
    plinit();
    pl_cmd(PLESC_DEVINIT, context);
    drawPage(thinnedFor(diagram, width, height));
    plend1();
}

bool plotFileType(const std::string& path)
{
    return deviceFor(path) != nullptr;
}

bool writeDiagram(const std::string& path, int width, int height, const Diagram& diagram, std::string& reason)
{
    const char* device = deviceFor(path);
    if (!device) {
        reason = "Unbekannter Dateityp: .png, .svg oder .pdf verwenden.";
        return false;
    }
    if (!diagram.drawable() || !plottingAvailable()) {
        reason = diagram.drawable() ? "Die Zeichenbibliothek hat keine Cairo-Ausgabe (plplot-driver-cairo fehlt)."
                                    : diagram.hint;
        return false;
    }
    // The library ends the program when it cannot open its file, so it writes into a directory
    // of Quirlo's own, and the file is moved to its place as a whole.
    gchar* made = g_dir_make_tmp("quirlo-plot-XXXXXX", nullptr);
    if (!made) {
        reason = "Kein Platz für eine temporäre Datei.";
        return false;
    }
    std::string scratch = std::string(made) + "/plot";
    g_free(made);
    {
        std::lock_guard<std::mutex> lock(plotting);
        beginStream(device, width, height);
        plsfnam(scratch.c_str());
        plinit();
        drawPage(thinnedFor(diagram, width, height));
        plend1();
    }
    std::string bytes;
    bool drawn = readWholeFile(scratch, bytes) && !bytes.empty();
    g_remove(scratch.c_str());
    g_rmdir(directoryOf(scratch).c_str());
    if (!drawn) {
        reason = "Die Zeichenbibliothek hat keine Datei geschrieben.";
        return false;
    }
    return writeFileAtomic(path, bytes, &reason);
}
