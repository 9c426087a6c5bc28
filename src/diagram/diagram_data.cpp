// Taking the diagram's series out of the measurement table.
#include "diagram/diagram_data.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/text.h"
#include "protocol/protocol_state.h"


namespace {

// Values beyond this are left out: their ranges could not be drawn (a span of 1e308 overflows).
constexpr double drawableLimit = 1e100;

// A range that the plot can take, with a margin so that no point sits on the frame; a single
// value, equal values or values that differ only in their last digits get room around them.
AxisRange widened(double min, double max, bool log)
{
    if (max - min > 1e-9 * std::max(std::fabs(min), std::fabs(max)))
        return {min - (max - min) * 0.04, max + (max - min) * 0.04};
    double room = log ? 0.5 : (min == 0 ? 1 : std::fabs(min) * 0.1);
    return {min - room, max + room};
}

struct Extent {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    void add(const std::vector<double>& values)
    {
        for (double v : values) {
            min = std::min(min, v);
            max = std::max(max, v);
        }
    }
};

// The fixed range's limits as the axis holds them; false when they do not make a range.
bool fixedLimits(double low, double high, bool log, AxisRange& range)
{
    if (!(low < high) || std::fabs(low) > drawableLimit || std::fabs(high) > drawableLimit || (log && low <= 0))
        return false;
    range = log ? AxisRange{std::log10(low), std::log10(high)} : AxisRange{low, high};
    return true;
}

std::string numberText(double value)
{
    char buffer[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_dtostr(buffer, sizeof buffer, value);
}

} // namespace

namespace {

// A cell's number when the cell holds a number and nothing else.
bool wholeNumber(const std::string& text, double& value)
{
    CellNumber read = cellNumber(text);
    if (read.whole)
        value = read.value;
    return read.whole;
}

} // namespace

void takeShownRange(DiagramOptions& options, const Diagram& diagram)
{
    auto limit = [](double value, bool log) { return log ? std::pow(10.0, value) : value; };
    options.xMin = limit(diagram.x.min, diagram.logX);
    options.xMax = limit(diagram.x.max, diagram.logX);
    options.yMin = limit(diagram.y.min, diagram.logY);
    options.yMax = limit(diagram.y.max, diagram.logY);
    if (diagram.hasSecondAxis) {
        options.y2Min = limit(diagram.y2.min, diagram.logY);
        options.y2Max = limit(diagram.y2.max, diagram.logY);
    }
}

std::vector<int> lineNumbers(const std::string& text)
{
    std::vector<int> numbers;
    std::string digits;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ';';
        if (c >= '0' && c <= '9') {
            digits += c;
        } else {
            if (!digits.empty() && digits.size() < 7 && std::stoi(digits) > 0)
                numbers.push_back(std::stoi(digits));
            digits.clear();
        }
    }
    return numbers;
}

std::string lineNumbersText(const std::vector<int>& numbers)
{
    std::string text;
    for (int n : numbers)
        text += (text.empty() ? "" : ";") + std::to_string(n);
    return text;
}

Diagram buildDiagram(const DiagramOptions& options, const TableCell& cell, int rows, int columns)
{
    Diagram diagram;
    diagram.style = options.style;
    diagram.logX = options.logX;
    diagram.logY = options.logY;
    const char* lineWord = options.alongRows ? "Zeile" : "Spalte";
    const int lines = options.alongRows ? rows : columns;
    const int length = options.alongRows ? columns : rows;
    // The cell function is asked only for cells of the table.
    auto at = [&](int line, int position) {
        if (line < 1 || line > lines || position < 1 || position > length)
            return std::string();
        return options.alongRows ? cell(line, position) : cell(position, line);
    };
    auto name = [&](int line) {
        std::string text = stripBlanks(at(line, 1));
        return text.empty() ? std::string(lineWord) + " " + std::to_string(line) : text;
    };
    std::vector<std::string> hints;
    auto exists = [&](int line) {
        if (line <= lines)
            return true;
        hints.push_back(std::string(lineWord) + " " + std::to_string(line) + " gibt es in der Tabelle nicht.");
        return false;
    };
    if (options.y.empty() && options.y2 == 0) {
        diagram.hint = "Keine Y-Reihe gewählt: bei \"Y\" Zeilen oder Spalten eintragen, z. B. 9;10.";
        return diagram;
    }
    bool xExists = options.x == 0 || exists(options.x);
    // X of each position along the series, where it is a number.
    std::vector<std::pair<bool, double>> xs(static_cast<size_t>(std::max(length, 1)) + 1, {false, 0.0});
    for (int position = 2; xExists && position <= length; ++position) {
        double value = position - 1;
        bool number = options.x == 0 || wholeNumber(at(options.x, position), value);
        xs[static_cast<size_t>(position)] = {number, value};
    }
    int leftOut = 0, tooLarge = 0;
    auto take = [&](int line, bool secondAxis) {
        if (!xExists || !exists(line))
            return;
        Series series;
        series.name = name(line);
        series.secondAxis = secondAxis;
        for (int position = 2; position <= length; ++position) {
            auto [xNumber, x] = xs[static_cast<size_t>(position)];
            double y = 0;
            if (!xNumber || !wholeNumber(at(line, position), y))
                continue;
            if (std::fabs(x) > drawableLimit || std::fabs(y) > drawableLimit) {
                ++tooLarge;
                continue;
            }
            if ((options.logX && x <= 0) || (options.logY && y <= 0)) {
                ++leftOut;
                continue;
            }
            series.x.push_back(options.logX ? std::log10(x) : x);
            series.y.push_back(options.logY ? std::log10(y) : y);
        }
        if (!series.x.empty())
            diagram.series.push_back(std::move(series));
    };
    for (int line : options.y)
        take(line, false);
    if (options.y2 != 0)
        take(options.y2, true);

    diagram.xName = options.x == 0 ? "Nr." : name(options.x);
    Extent x, y, y2;
    for (const Series& series : diagram.series) {
        x.add(series.x);
        (series.secondAxis ? y2 : y).add(series.y);
        std::string& axisName = series.secondAxis ? diagram.y2Name : diagram.yName;
        axisName += (axisName.empty() ? "" : ", ") + series.name;
        diagram.hasSecondAxis = diagram.hasSecondAxis || series.secondAxis;
    }
    if (leftOut > 0)
        hints.push_back(std::to_string(leftOut) + " Werte <= 0 auf der logarithmischen Achse ausgelassen.");
    if (tooLarge > 0)
        hints.push_back(std::to_string(tooLarge) + " Werte über 1e100 ausgelassen.");
    if (diagram.series.empty()) {
        hints.insert(hints.begin(), "Keine Zahlen in den gewählten Reihen: nichts zu zeichnen.");
        diagram.hint = joinText(hints, " ");
        return diagram;
    }
    // Only the left axis has a Y range of its own when every series is on the second one.
    if (y.min > y.max)
        y = y2;
    diagram.x = widened(x.min, x.max, options.logX);
    diagram.y = widened(y.min, y.max, options.logY);
    diagram.y2 = diagram.hasSecondAxis ? widened(y2.min, y2.max, options.logY) : diagram.y;
    if (options.fixedRange) {
        AxisRange fixedX, fixedY;
        if (fixedLimits(options.xMin, options.xMax, options.logX, fixedX) &&
            fixedLimits(options.yMin, options.yMax, options.logY, fixedY)) {
            diagram.x = fixedX;
            diagram.y = fixedY;
            AxisRange fixedY2;
            if (diagram.hasSecondAxis && fixedLimits(options.y2Min, options.y2Max, options.logY, fixedY2))
                diagram.y2 = fixedY2;
        } else {
            hints.push_back("Fester Bereich ungültig (Minimum muss kleiner als Maximum sein, auf logarithmischer "
                            "Achse größer 0): der Bereich folgt den Daten.");
        }
    }
    diagram.hint = joinText(hints, " ");
    return diagram;
}

namespace {

// The pixel of a value on an axis of the given number of pixels; far outside stays far outside.
int pixelOf(double value, const AxisRange& range, int pixels)
{
    double at = (value - range.min) / (range.max - range.min) * pixels;
    return static_cast<int>(std::floor(std::clamp(at, -1e6, 1e6)));
}

Series thinned(const Series& series, const AxisRange& x, const AxisRange& y, int width, int height)
{
    const size_t count = series.x.size();
    if (count <= static_cast<size_t>(std::max(width, 1)) * 2)
        return series;
    Series kept;
    kept.name = series.name;
    kept.secondAxis = series.secondAxis;
    auto keep = [&](size_t i) {
        kept.x.push_back(series.x[i]);
        kept.y.push_back(series.y[i]);
    };
    if (std::is_sorted(series.x.begin(), series.x.end())) {
        for (size_t i = 0; i < count;) {
            const int column = pixelOf(series.x[i], x, width);
            size_t first = i, low = i, high = i;
            for (; i < count && pixelOf(series.x[i], x, width) == column; ++i) {
                if (series.y[i] < series.y[low])
                    low = i;
                if (series.y[i] > series.y[high])
                    high = i;
            }
            std::vector<size_t> chosen = {first, low, high, i - 1};
            std::sort(chosen.begin(), chosen.end());
            chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
            for (size_t c : chosen)
                keep(c);
        }
        return kept;
    }
    std::pair<int, int> last{std::numeric_limits<int>::min(), 0};
    for (size_t i = 0; i < count; ++i) {
        std::pair<int, int> pixel{pixelOf(series.x[i], x, width), pixelOf(series.y[i], y, height)};
        if (pixel != last || i + 1 == count)
            keep(i);
        last = pixel;
    }
    return kept;
}

} // namespace

Diagram thinnedFor(const Diagram& diagram, int width, int height)
{
    Diagram drawn = diagram;
    for (Series& series : drawn.series)
        series = thinned(series, drawn.x, series.secondAxis ? drawn.y2 : drawn.y, width, height);
    return drawn;
}

namespace {

// A line number of the table, digits only.
IniKey lineKey(const char* key, int& member)
{
    return {key, [&member] { return std::to_string(member); },
            [&member](const std::string& value) {
                std::string text = stripBlanks(value);
                if (!text.empty() && text.size() < 7 && text.find_first_not_of("0123456789") == std::string::npos)
                    member = std::stoi(text);
            },
            std::nullopt};
}

IniKey rangeKey(const char* key, double& member)
{
    return {key, [&member] { return numberText(member); },
            [&member](const std::string& value) { wholeNumber(value, member); }, std::nullopt};
}

} // namespace

IniGroup diagramIniGroup(DiagramOptions& options)
{
    IniGroup group("DIAGRAMM",
                   {
                       flagKey("Open", options.open),
                       flagKey("AlongRows", options.alongRows),
                       lineKey("X", options.x),
                       {"Y", [&options] { return lineNumbersText(options.y); },
                        [&options](const std::string& value) {
                            if (!stripBlanks(value).empty())
                                options.y = lineNumbers(value);
                        },
                        std::nullopt},
                       lineKey("Y2", options.y2),
                       {"Style", [&options] { return std::to_string(static_cast<int>(options.style)); },
                        [&options](const std::string& value) {
                            std::string style = stripBlanks(value);
                            if (style == "0" || style == "1" || style == "2")
                                options.style = static_cast<DiagramStyle>(style[0] - '0');
                        },
                        std::nullopt},
                       flagKey("LogX", options.logX),
                       flagKey("LogY", options.logY),
                       flagKey("FixedRange", options.fixedRange),
                       rangeKey("XMin", options.xMin),
                       rangeKey("XMax", options.xMax),
                       rangeKey("YMin", options.yMin),
                       rangeKey("YMax", options.yMax),
                       rangeKey("Y2Min", options.y2Min),
                       rangeKey("Y2Max", options.y2Max),
                   });
    // Written only for those who use the diagram: other files stay as they were.
    group.written = [&options] {
        static DiagramOptions fresh;
        return iniValues(diagramIniGroup(options)) != iniValues(diagramIniGroup(fresh));
    };
    return group;
}
