// The arithmetic of CellPos parameters and of <f> parameters with an operator.
#pragma once

#include <string>

enum class ExpressionError { None, DivisionByZero, UnknownOperator };

struct ExpressionResult {
    std::string text;
    ExpressionError error = ExpressionError::None;
};

// How an error is told to the user: the message's title and text (empty for None).
struct ExpressionErrorText {
    std::string title, text;
};
ExpressionErrorText expressionErrorText(ExpressionError error);

// Evaluates +, -, *, / and parentheses by priority, the leftmost first among equals. In cell
// mode a leading "-" and a left operand of exactly 0 stand for base, and a single number is
// rounded to an integer (halves to even); otherwise the result is decimal text. A division
// by zero gives the smallest 64-bit integer as text, an unknown operator "0".
ExpressionResult evaluateExpressionText(const std::string& text, bool cellMode, double base);

// Whether the evaluator reads the whole text as an expression: parentheses that pair, numbers
// with at most one decimal point, an operand on each side of every operation (but a sign or a
// table-relative start at the beginning or after an opening parenthesis). A character that is
// no operation counts as one here: the evaluator reports it as an unknown operator.
bool expressionReadable(const std::string& text);
