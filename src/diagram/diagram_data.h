// What the diagram of the measurement table shows: the user's choice of rows or columns, the
// series taken out of the table, their ranges and the hints the window gives. Free of any
// window and of the plotting library.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/ini_settings.h"

enum class DiagramStyle { Lines = 0, Points = 1, Both = 2 };

struct DiagramOptions {
    bool alongRows = true; // series run along table rows (a sweep), else down columns (a log)
    int x = 0;             // the row or column of X; 0: the running number of the point
    std::vector<int> y;    // the rows or columns on the left Y axis
    int y2 = 0;            // the row or column on the second Y axis; 0: none
    DiagramStyle style = DiagramStyle::Both;
    bool logX = false;
    bool logY = false;
    bool fixedRange = false; // else the ranges follow the data
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
    // The right axis's fixed range; it follows the data while this is no range.
    double y2Min = 0, y2Max = 0;
    bool open = false; // the window was open at the end of the last session
};

struct Series {
    std::string name; // the text of the first cell of its row or column
    std::vector<double> x, y;
    bool secondAxis = false;
};

// A range of an axis; a log axis holds log10 of its limits.
struct AxisRange {
    double min = 0, max = 1;
};

// Everything the plot draws, with its axes' names.
struct Diagram {
    std::vector<Series> series; // only series with points
    std::string xName, yName, y2Name;
    AxisRange x, y, y2;
    bool hasSecondAxis = false;
    DiagramStyle style = DiagramStyle::Both;
    bool logX = false, logY = false;
    std::string hint; // what the window tells the user; the diagram is empty when it cannot draw
    bool drawable() const { return !series.empty(); }
};

// The text of a table cell (row, column), both counted from 1 as the table shows them.
using TableCell = std::function<std::string(int row, int column)>;

// The row or column numbers of a list such as "9;10 11": positive whole numbers only.
std::vector<int> lineNumbers(const std::string& text);
std::string lineNumbersText(const std::vector<int>& numbers);

// The diagram of a table of rows x columns (without the numbering row and column). A series
// starts after its name cell; a point is kept where X and Y are both numbers (and positive on
// a log axis).
Diagram buildDiagram(const DiagramOptions& options, const TableCell& cell, int rows, int columns);
// Takes the ranges the diagram shows (X and both Y axes) as the fixed range, so that a fixed
// range starts where the data are.
void takeShownRange(DiagramOptions& options, const Diagram& diagram);

// The diagram as a drawing of width x height pixels shows it: a series with more points than
// the drawing has columns keeps, in each pixel column, its first, lowest, highest and last
// point when X rises, or drops points that fall on the pixel of the point before when X goes
// back and forth. The lines look the same, and 65,535 points draw as fast as a few thousand.
Diagram thinnedFor(const Diagram& diagram, int width, int height);

// The options' Quirlo.ini group, bound to them; a value that is missing or wrong leaves the
// option as it was.
IniGroup diagramIniGroup(DiagramOptions& options);
