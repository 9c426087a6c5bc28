// The diagram drawn by PLplot: into the cairo context of a window, or into a PNG, SVG or PDF
// file, by one piece of code. Free of any window.
#pragma once

#include <cairo.h>

#include <string>

#include "diagram/diagram_data.h"

// Whether the plotting library has the cairo devices the diagram needs.
bool plottingAvailable();
// Draws the diagram into the context, width x height pixels, on white.
void drawDiagram(cairo_t* context, int width, int height, const Diagram& diagram);
// Whether the path ends in ".png", ".svg" or ".pdf" (any case).
bool plotFileType(const std::string& path);
// Writes the diagram to the file, its type from the extension, width x height pixels (points
// for SVG and PDF); replaced whole or not at all. False with the reason in German.
bool writeDiagram(const std::string& path, int width, int height, const Diagram& diagram, std::string& reason);
