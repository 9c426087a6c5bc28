// The line preparation of the program window's rows, with its messages.
#pragma once

#include <vector>

#include "run/line_preparation.h"

// Prepares all rows (row -1: the whole-program check) or one row; 1 when every prepared row
// passed. Quiet suppresses the count message and the CellPos evaluation.
int PrepareLines(bool quiet, int row);
// The cells of the program window's row, and of all its rows.
ProgramRow programRow(int row);
std::vector<ProgramRow> programRows();
