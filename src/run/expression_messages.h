// The CellPos evaluator as the program uses it: its errors shown, the run's abort flag set.
#pragma once

#include <string>

// Evaluates the expression; on an error shows its message and sets abortRequested.
std::string EvaluateExpression(const std::string& text, bool cellMode, double base);
