// The arithmetic of CellPos parameters and of <f> parameters with an operator.
#include "run/expression.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/text.h"

namespace {

enum Operation { OpOther = 0, OpAdd = 1, OpSubtract = 2, OpMultiply = 3, OpDivide = 4 };

struct Token {
    bool number;
    long long priority; // operations: 10 or 11 plus 100 per open parenthesis; 0 other characters
    double value;       // the number, or the operation code
};

std::string normalised(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        if (c == ',')
            c = '.';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        result += c;
    }
    return result;
}

std::vector<Token> tokens(const std::string& text, bool cellMode, double base)
{
    std::vector<Token> list;
    std::string number;
    long long depth = 0;
    auto closeNumber = [&] {
        list.push_back({true, -1, decimalValue(number)});
        number.clear();
    };
    for (char c : text) {
        if (c == '(') {
            depth += 100;
        } else if (c == ')') {
            depth -= 100;
        } else if (c == '-' && number.empty() && !cellMode) {
            number.push_back('-');
        } else if ((c >= '0' && c <= '9') || c == '.') {
            number += c;
        } else {
            if (c == '-' && number.empty())
                number = formatDecimal(base);
            closeNumber();
            switch (c) {
            case '+': list.push_back({false, depth + 10, OpAdd}); break;
            case '-': list.push_back({false, depth + 10, OpSubtract}); break;
            case '*': list.push_back({false, depth + 11, OpMultiply}); break;
            case '/': list.push_back({false, depth + 11, OpDivide}); break;
            default: list.push_back({false, 0, OpOther}); break;
            }
        }
    }
    closeNumber();
    return list;
}

// Reduces one operation; false on a division by zero.
bool reduce(std::vector<double>& values, std::vector<Token>& operations, bool cellMode, double base)
{
    Token operation = operations.back();
    operations.pop_back();
    double right = values.back();
    values.pop_back();
    double left = values.back();
    if (cellMode && left == 0.0)
        left = base;
    double result = 0.0;
    switch (static_cast<int>(operation.value)) {
    case OpAdd: result = left + right; break;
    case OpSubtract: result = left - right; break;
    case OpMultiply: result = left * right; break;
    case OpDivide:
        if (right == 0.0)
            return false;
        result = left / right;
        break;
    }
    values.back() = result;
    return true;
}

// Evaluates numbers and operations of priority above 0, which alternate. Reducing the
// operation on top of the stack while it binds at least as tightly as the next one gives
// the same order as taking the leftmost of the highest priorities each time.
bool evaluateSegment(const std::vector<Token>& segment, bool cellMode, double base, double& result)
{
    std::vector<double> values;
    std::vector<Token> operations;
    for (const Token& token : segment) {
        if (token.number) {
            values.push_back(token.value);
            continue;
        }
        while (!operations.empty() && operations.back().priority >= token.priority) {
            if (!reduce(values, operations, cellMode, base))
                return false;
        }
        operations.push_back(token);
    }
    while (!operations.empty()) {
        if (!reduce(values, operations, cellMode, base))
            return false;
    }
    result = values.back();
    return true;
}

} // namespace

ExpressionResult evaluateExpressionText(const std::string& text, bool cellMode, double base)
{
    std::vector<Token> list = tokens(normalised(text), cellMode, base);
    // A table position is whole; a plain value keeps its decimals.
    if (list.size() == 1)
        return {formatDecimal(cellMode ? std::nearbyint(list.front().value) : list.front().value)};

    // Operations of priority 0 or below (other characters, or shifted down by unbalanced
    // parentheses) are never taken; they split the expression into parts that are reduced on
    // their own, and more than one part left over is an unknown operator.
    std::vector<std::vector<Token>> segments(1);
    for (const Token& token : list) {
        if (!token.number && token.priority <= 0)
            segments.emplace_back();
        else
            segments.back().push_back(token);
    }
    double value = 0.0;
    for (const auto& segment : segments) {
        if (!evaluateSegment(segment, cellMode, base, value))
            return {"-9223372036854775808", ExpressionError::DivisionByZero};
    }
    if (segments.size() > 1)
        return {"0", ExpressionError::UnknownOperator};
    return {formatDecimal(value)};
}

bool expressionReadable(const std::string& text)
{
    long long depth = 0;
    std::string number;
    bool operandDone = false; // a number or a closed parenthesis ended just now
    bool mayBeEmpty = true;   // at the start or after "(": an operation may stand first
    for (char c : normalised(text)) {
        if ((c >= '0' && c <= '9') || c == '.') {
            if (operandDone && number.empty())
                return false;
            number += c;
            if (std::count(number.begin(), number.end(), '.') > 1)
                return false;
        } else if (c == '(') {
            if (!number.empty() || operandDone)
                return false;
            ++depth;
            mayBeEmpty = true;
        } else if (c == ')') {
            if (depth == 0 || (number.empty() && !operandDone))
                return false;
            --depth;
            number.clear();
            operandDone = true;
        } else {
            // Any other character stands between operands too; the evaluator names it as an
            // unknown operator.
            if (number.empty() && !operandDone && !mayBeEmpty)
                return false;
            number.clear();
            operandDone = false;
            mayBeEmpty = false;
        }
        if (!number.empty())
            operandDone = true, mayBeEmpty = false;
    }
    return depth == 0 && (operandDone || !number.empty());
}

ExpressionErrorText expressionErrorText(ExpressionError error)
{
    switch (error) {
    case ExpressionError::DivisionByZero: return {"Quirlo-Parser:", "Division durch 0!\n'Run'-Zustand wird beendet!"};
    case ExpressionError::UnknownOperator: return {"QuirloParser:", "Unbekannter Operator!"};
    case ExpressionError::None: break;
    }
    return {};
}
