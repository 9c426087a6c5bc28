// The line preparation of the program window's rows, with its messages.
#pragma once

// Prepares all rows (row -1: the whole-program check) or one row; 1 when every prepared row
// passed. Quiet suppresses the count message and the CellPos evaluation.
int PrepareLines(bool quiet, int row);
