// The diagram's series taken out of a table, its options in Quirlo.ini, and what PLplot draws
// of it on a cairo surface and into files.
#include <gtest/gtest.h>

#include <cairo.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "common/ini_file.h"
#include "common/files.h"
#include "diagram/diagram_data.h"
#include "diagram/diagram_plot.h"

namespace {

// A table of rows x columns with the given cells, everything else empty.
struct Table {
    std::map<std::pair<int, int>, std::string> cells;
    int rows = 0, columns = 0;
    void row(int r, const std::vector<std::string>& texts)
    {
        for (size_t c = 0; c < texts.size(); ++c)
            cells[{r, static_cast<int>(c) + 1}] = texts[c];
        rows = std::max(rows, r);
        columns = std::max(columns, static_cast<int>(texts.size()));
    }
    Diagram diagram(const DiagramOptions& options) const
    {
        return buildDiagram(
            options,
            [this](int r, int c) {
                EXPECT_TRUE(r >= 1 && r <= rows && c >= 1 && c <= columns) << r << "," << c;
                auto found = cells.find({r, c});
                return found == cells.end() ? std::string() : found->second;
            },
            rows, columns);
    }
};

DiagramOptions along(bool rows, int x, std::vector<int> y, int y2 = 0)
{
    DiagramOptions options;
    options.alongRows = rows;
    options.x = x;
    options.y = std::move(y);
    options.y2 = y2;
    return options;
}

// Whether a pixel near (x, y) has about the colour.
bool colourNear(cairo_surface_t* surface, int x, int y, int red, int green, int blue)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
            const unsigned char* pixel = data + (y + dy) * stride + (x + dx) * 4;
            if (std::abs(pixel[2] - red) < 40 && std::abs(pixel[1] - green) < 40 && std::abs(pixel[0] - blue) < 40)
                return true;
        }
    }
    return false;
}

// Whether the library draws the diagram into a picture without a fault of its context.
bool drawsWithoutFault(const Diagram& diagram, int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* context = cairo_create(surface);
    drawDiagram(context, width, height, diagram);
    bool fine = cairo_status(context) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(context);
    cairo_surface_destroy(surface);
    return fine;
}

// The straight series y = x over 0..10, whose middle lies in the middle of the plot area.
Diagram diagonal()
{
    Table table;
    table.row(1, {"X", "0", "10"});
    table.row(2, {"Y", "0", "10"});
    Diagram diagram = table.diagram(along(true, 1, {2}));
    diagram.style = DiagramStyle::Lines;
    return diagram;
}

// The middle of the plot area, which the drawing leaves between 12 % and 95 % of the width and
// 8 % and 86 % of the height from the top.
std::pair<int, int> plotMiddle(int width, int height)
{
    return {static_cast<int>(width * (0.12 + 0.95) / 2), static_cast<int>(height * (0.08 + 0.86) / 2)};
}

} // namespace

TEST(Diagram, SeriesAlongRowsAreNamedByTheirFirstCellAndSkipWhatIsNoNumber)
{
    Table table;
    table.row(8, {"U soll/V", "1", "2", "3", "4"});
    table.row(9, {"U/V", "1.0000", "2,0000", "", "4.0000"});
    table.row(10, {"I/A", "0.8", "nan", "inf", "Fehler"});
    table.row(11, {"", "1e1", " 20 ", "-3", "0x10"});
    Diagram diagram = table.diagram(along(true, 8, {9, 11}, 10));
    ASSERT_EQ(diagram.series.size(), 3u);
    EXPECT_EQ(diagram.series[0].name, "U/V");
    // "," is no decimal point: "2,0000" is no number here, as the export reads it as 2.
    EXPECT_EQ(diagram.series[0].x, (std::vector<double>{1, 4}));
    EXPECT_EQ(diagram.series[0].y, (std::vector<double>{1, 4}));
    // A series without a name is named by its row.
    EXPECT_EQ(diagram.series[1].name, "Zeile 11");
    EXPECT_EQ(diagram.series[1].y, (std::vector<double>{10, 20, -3}));
    EXPECT_TRUE(diagram.series[2].secondAxis);
    EXPECT_EQ(diagram.series[2].y, (std::vector<double>{0.8}));
    EXPECT_EQ(diagram.xName, "U soll/V");
    EXPECT_EQ(diagram.yName, "U/V, Zeile 11");
    EXPECT_EQ(diagram.y2Name, "I/A");
    // The data's ranges with a margin of 4 % on each side.
    EXPECT_DOUBLE_EQ(diagram.x.min, 1 - 0.12);
    EXPECT_DOUBLE_EQ(diagram.x.max, 4 + 0.12);
    EXPECT_DOUBLE_EQ(diagram.y.min, -3 - 0.92);
    EXPECT_DOUBLE_EQ(diagram.y.max, 20 + 0.92);
    // One value on the second axis still makes a range.
    EXPECT_LT(diagram.y2.min, 0.8);
    EXPECT_GT(diagram.y2.max, 0.8);
    EXPECT_EQ(diagram.hint, "");
}

TEST(Diagram, SeriesDownColumnsWithTheRunningNumberAndALogAxis)
{
    Table table;
    table.row(1, {"t", "T/°C"});
    table.row(2, {"a", "100"});
    table.row(3, {"b", "0"});
    table.row(4, {"c", "1000"});
    table.row(5, {"d", "-5"});
    DiagramOptions options = along(false, 0, {2});
    options.logY = true;
    Diagram diagram = table.diagram(options);
    ASSERT_EQ(diagram.series.size(), 1u);
    EXPECT_EQ(diagram.series[0].name, "T/°C");
    EXPECT_EQ(diagram.xName, "Nr.");
    // The running number counts every position; a log axis holds log10 of the values.
    EXPECT_EQ(diagram.series[0].x, (std::vector<double>{1, 3}));
    EXPECT_EQ(diagram.series[0].y, (std::vector<double>{2, 3}));
    EXPECT_EQ(diagram.hint, "2 Werte <= 0 auf der logarithmischen Achse ausgelassen.");
}

TEST(Diagram, BadInputGivesAHintAndNothingThatThePlotCannotTake)
{
    Table table;
    table.row(1, {"X", "a", "b"});
    table.row(2, {"Y", "5", "5"});
    table.row(3, {"Z", "5", "5"});
    // No numbers.
    Diagram none = table.diagram(along(true, 1, {2}));
    EXPECT_FALSE(none.drawable());
    EXPECT_EQ(none.hint, "Keine Zahlen in den gewählten Reihen: nichts zu zeichnen.");
    EXPECT_FALSE(table.diagram(along(true, 1, {})).drawable());
    EXPECT_EQ(table.diagram(along(true, 9, {2})).hint,
              "Keine Zahlen in den gewählten Reihen: nichts zu zeichnen. Zeile 9 gibt es in der Tabelle nicht.");
    // Equal values: a range around them, never a zero range.
    Diagram flat = table.diagram(along(true, 3, {2}));
    ASSERT_TRUE(flat.drawable());
    EXPECT_LT(flat.x.min, flat.x.max);
    EXPECT_LT(flat.y.min, flat.y.max);
    // A row that is not in the table, and a fixed range that is none.
    DiagramOptions options = along(true, 3, {2, 7});
    options.fixedRange = true;
    options.xMin = 5;
    options.xMax = 5;
    Diagram fixed = table.diagram(options);
    EXPECT_TRUE(fixed.drawable());
    EXPECT_NE(fixed.hint.find("Zeile 7 gibt es in der Tabelle nicht."), std::string::npos);
    EXPECT_NE(fixed.hint.find("Fester Bereich ungültig"), std::string::npos);
    options.xMax = 6;
    options.yMin = 1;
    options.yMax = 9;
    EXPECT_EQ(table.diagram(options).y.max, 9);
    // The right axis keeps to its data until it is given a range of its own.
    options.y2 = 2;
    EXPECT_NE(table.diagram(options).y2.max, 4);
    options.y2Min = -4;
    options.y2Max = 4;
    EXPECT_EQ(table.diagram(options).y2.max, 4);
    // Values too large for a range are left out; values that differ in their last digits get
    // room, and the library draws them.
    Table extreme;
    extreme.row(1, {"X", "1", "2", "3"});
    extreme.row(2, {"Y", "1e308", "1", "1.000000000000001"});
    Diagram close = extreme.diagram(along(true, 1, {2}));
    EXPECT_EQ(close.hint, "1 Werte über 1e100 ausgelassen.");
    EXPECT_GT(close.y.max - close.y.min, 0.1);
    EXPECT_TRUE(drawsWithoutFault(close, 200, 150));
    // Nothing drawable goes into no file.
    std::string reason;
    EXPECT_FALSE(writeDiagram(std::string(g_get_tmp_dir()) + "/quirlo-none.png", 400, 300, none, reason));
    EXPECT_EQ(reason, none.hint);
}

TEST(Diagram, TheOptionsComeBackFromQuirloIni)
{
    DiagramOptions options = along(false, 3, {4, 12}, 7);
    options.style = DiagramStyle::Points;
    options.logX = true;
    options.fixedRange = true;
    options.xMin = 0.5;
    options.yMax = -2.25;
    options.y2Max = 3;
    options.open = true;
    DiagramOptions back;
    readIniGroup(IniFile(iniGroupText(diagramIniGroup(options))), diagramIniGroup(back));
    EXPECT_EQ(iniValues(diagramIniGroup(back)), iniValues(diagramIniGroup(options)));
    // Wrong values leave the options as they were.
    DiagramOptions kept = options;
    std::string wrong = "[DIAGRAMM]\n";
    for (const auto& [key, value] : iniValues(diagramIniGroup(options)))
        wrong += key + (key == "Y" ? " = \n" : " = x\n");
    readIniGroup(IniFile(wrong), diagramIniGroup(kept));
    EXPECT_EQ(iniValues(diagramIniGroup(kept)), iniValues(diagramIniGroup(options)));
    // A diagram nobody changed leaves Quirlo.ini as it was.
    DiagramOptions fresh;
    EXPECT_FALSE(diagramIniGroup(fresh).written());
    EXPECT_TRUE(diagramIniGroup(options).written());
}

TEST(Diagram, TheScreenAndTheFilesShowTheSeriesWhereItsDataLie)
{
    ASSERT_TRUE(plottingAvailable());
    Diagram diagram = diagonal();
    // The window's drawing: the series' colour in the middle of the plot area.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 500, 400);
    cairo_t* context = cairo_create(surface);
    drawDiagram(context, 500, 400, diagram);
    auto [x, y] = plotMiddle(500, 400);
    EXPECT_TRUE(colourNear(surface, x, y, 32, 74, 135));
    EXPECT_FALSE(colourNear(surface, x, y - 60, 32, 74, 135));
    cairo_destroy(context);
    cairo_surface_destroy(surface);

    gchar* made = g_dir_make_tmp("quirlo-diagram-XXXXXX", nullptr);
    std::string dir = made;
    g_free(made);
    std::string reason;
    ASSERT_TRUE(writeDiagram(dir + "/d.png", 640, 480, diagram, reason)) << reason;
    cairo_surface_t* png = cairo_image_surface_create_from_png((dir + "/d.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 640);
    EXPECT_EQ(cairo_image_surface_get_height(png), 480);
    auto [px, py] = plotMiddle(640, 480);
    EXPECT_TRUE(colourNear(png, px, py, 32, 74, 135));
    cairo_surface_destroy(png);

    std::string bytes;
    ASSERT_TRUE(writeDiagram(dir + "/d.SVG", 640, 480, diagram, reason)) << reason;
    ASSERT_TRUE(readWholeFile(dir + "/d.SVG", bytes));
    EXPECT_NE(bytes.find("<svg"), std::string::npos);
    EXPECT_NE(bytes.find("</svg>"), std::string::npos);
    ASSERT_TRUE(writeDiagram(dir + "/d.pdf", 640, 480, diagram, reason)) << reason;
    ASSERT_TRUE(readWholeFile(dir + "/d.pdf", bytes));
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_NE(bytes.find("%%EOF", bytes.size() - 8), std::string::npos);
    // A place that cannot be written is a message, not the end of the program.
    EXPECT_FALSE(writeDiagram(dir + "/missing/d.png", 640, 480, diagram, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(writeDiagram(dir + "/d.txt", 640, 480, diagram, reason));
    EXPECT_EQ(reason, "Unbekannter Dateityp: .png, .svg oder .pdf verwenden.");
    for (const char* name : {"/d.png", "/d.SVG", "/d.pdf"})
        g_remove((dir + name).c_str());
    g_rmdir(dir.c_str());
}

TEST(Diagram, ADrawingKeepsWhatItsPixelsCanShow)
{
    Diagram diagram;
    Series rising;
    for (int i = 0; i < 65535; ++i) {
        rising.x.push_back(i);
        rising.y.push_back(i == 30000 ? 500 : i == 40000 ? -500 : i % 7);
    }
    Series scattered;
    for (double x : {5.0, 5.01, 5.02, 9.0, 1.0, 1.0, 1.0, 5.0})
        for (int repeat = 0; repeat < 100; ++repeat) {
            scattered.x.push_back(x);
            scattered.y.push_back(x);
        }
    diagram.series = {rising};
    diagram.x = {0, 65535};
    diagram.y = {-500, 500};
    Diagram drawn = thinnedFor(diagram, 100, 80);
    const Series& kept = drawn.series[0];
    EXPECT_LE(kept.x.size(), 400u);
    // The first and last points, and the peaks, stay; X still rises.
    EXPECT_EQ(kept.x.front(), 0);
    EXPECT_EQ(kept.x.back(), 65534);
    EXPECT_EQ(*std::max_element(kept.y.begin(), kept.y.end()), 500);
    EXPECT_EQ(*std::min_element(kept.y.begin(), kept.y.end()), -500);
    EXPECT_TRUE(std::is_sorted(kept.x.begin(), kept.x.end()));
    // Back and forth: only repeats of the pixel before go, and the line keeps its last point.
    Diagram back;
    back.series = {scattered};
    back.x = back.y = {0, 10};
    EXPECT_EQ(thinnedFor(back, 100, 80).series[0].x, (std::vector<double>{5.0, 9.0, 1.0, 5.0, 5.0}));
    // A series the drawing can show whole stays whole.
    EXPECT_EQ(thinnedFor(diagram, 40000, 80).series[0].x.size(), 65535u);
}

TEST(Diagram, SixtyFiveThousandRowsAreTakenAndDrawn)
{
    Table table;
    table.row(1, {"U/V"});
    for (int r = 2; r <= 65535; ++r)
        table.cells[{r, 1}] = std::to_string(r % 100);
    table.rows = 65535;
    Diagram diagram = table.diagram(along(false, 0, {1}));
    ASSERT_EQ(diagram.series.size(), 1u);
    EXPECT_EQ(diagram.series[0].y.size(), 65534u);
    EXPECT_TRUE(drawsWithoutFault(diagram, 300, 200));
}

TEST(Diagram, AFixedRangeStartsAtTheRangeTheDataHave)
{
    Diagram shown;
    shown.x = {-1, 11};
    shown.y = {-1, 2};
    shown.y2 = {0, 1};
    shown.hasSecondAxis = true;
    shown.logY = true;
    DiagramOptions options;
    takeShownRange(options, shown);
    EXPECT_DOUBLE_EQ(options.xMin, -1);
    EXPECT_DOUBLE_EQ(options.xMax, 11);
    EXPECT_DOUBLE_EQ(options.yMin, 0.1);
    EXPECT_DOUBLE_EQ(options.yMax, 100);
    EXPECT_DOUBLE_EQ(options.y2Min, 1);
    EXPECT_DOUBLE_EQ(options.y2Max, 10);
}
