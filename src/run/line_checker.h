// The line preparation of the program window's rows and the CellPos evaluator as the program
// uses them: messages shown, the run's abort flag set.
#pragma once

#include <gtk/gtk.h>

#include <string>

// Evaluates the expression; on an error shows its message and sets abortRequested.
std::string EvaluateExpression(const std::string& text, bool cellMode, double base);
// Prepares all rows (row -1: the whole-program check) or one row; 1 when every prepared row
// passed. Quiet suppresses the count message and the CellPos evaluation.
int PrepareLines(bool quiet, int row);
