// The diagram window (window 9): the measurement table's rows or columns as curves, following
// the table while a run writes it, saved as PNG, SVG or PDF.
#pragma once

#include <string>

#include "diagram/diagram_data.h"

// The options the window shows; Quirlo.ini reads them before the window exists.
DiagramOptions& diagramOptions();
void createDiagramWindow();
void relayoutDiagramWindow();
// A control of the window changed: the options follow the controls and the diagram is redrawn.
void diagramControlChanged();
// The table changed: an open diagram reads it afresh and follows within a few tenths of a
// second.
void diagramTableChanged();
// A run wrote the text into the table's cell (rows and columns from 1): the diagram follows.
void diagramCellWritten(int row, int column, const std::string& text);
// The follow timer's tick.
void diagramTick();
// The diagram the window shows.
const Diagram& shownDiagram();
// The diagram of the table as it is now.
Diagram currentDiagram();
// Asks for a file and saves the diagram there.
void saveDiagramAs();
// Writes the diagram of the table to the file (the type from its extension), 800 x 600; false
// with the reason.
bool writeTableDiagram(const std::string& path, std::string& reason);
