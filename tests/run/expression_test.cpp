// The CellPos expression evaluator.
#include <gtest/gtest.h>

#include "run/expression.h"

namespace {

std::string plain(const std::string& text)
{
    return evaluateExpressionText(text, false, 0).text;
}

std::string cell(const std::string& text, double base)
{
    return evaluateExpressionText(text, true, base).text;
}

} // namespace

TEST(Expression, PrioritiesParenthesesAndLeftmostFirst)
{
    EXPECT_EQ(plain("8/2/2"), "2");
    EXPECT_EQ(plain("(2+3)*(4-1)"), "15");
    EXPECT_EQ(plain("2+3*4"), "14");
    EXPECT_EQ(plain("2*3+1"), "7");
    EXPECT_EQ(plain("10-4-3"), "3");
    EXPECT_EQ(plain("((1+2)*(3+4))/7"), "3");
    EXPECT_EQ(plain("1/3"), "0.3333333333");
    EXPECT_EQ(plain(" 2,5 * 2 "), "5");
    EXPECT_EQ(plain("-1"), "-1");
    EXPECT_EQ(plain("3*-2"), "-6");
    EXPECT_EQ(plain("+2"), "2");
    EXPECT_EQ(plain(""), "0");
}

TEST(Expression, SingleNumbersRoundHalfToEvenOnlyAsTablePositions)
{
    EXPECT_EQ(cell("2.5", 5), "2");
    EXPECT_EQ(cell("3.5", 5), "4");
    EXPECT_EQ(cell("(7.49)", 5), "7");
    EXPECT_EQ(plain("(2.5)"), "2.5");
    EXPECT_EQ(plain("-0.25"), "-0.25");
}

TEST(Expression, CellModeMovesRelativeToTheBase)
{
    EXPECT_EQ(cell("7", 5), "7");
    EXPECT_EQ(cell("-1", 5), "4");
    EXPECT_EQ(cell("+2", 5), "7");
    EXPECT_EQ(cell("2*3+1", 5), "7");
    EXPECT_EQ(cell("(1+2)*3", 5), "9");
    EXPECT_EQ(cell("0+2", 5), "7");
    EXPECT_EQ(cell("10/4", 5), "2.5");
    EXPECT_EQ(cell("-1", 0), "-1");
    EXPECT_EQ(cell("3+1", 0), "4");
    // A computed zero on the left stands for the base too.
    EXPECT_EQ(cell("(1-1)*3", 5), "15");
}

TEST(Expression, ErrorsNameTheirKindAndResult)
{
    ExpressionResult division = evaluateExpressionText("5/0", false, 0);
    EXPECT_EQ(division.error, ExpressionError::DivisionByZero);
    EXPECT_EQ(division.text, "-9223372036854775808");
    EXPECT_EQ(evaluateExpressionText("10/0", true, 3).error, ExpressionError::DivisionByZero);
    ExpressionResult unknown = evaluateExpressionText("5x2", false, 0);
    EXPECT_EQ(unknown.error, ExpressionError::UnknownOperator);
    EXPECT_EQ(unknown.text, "0");
    EXPECT_EQ(evaluateExpressionText("#TR+1", false, 0).error, ExpressionError::UnknownOperator);
    EXPECT_EQ(evaluateExpressionText("5/(2-2)", false, 0).error, ExpressionError::DivisionByZero);
    EXPECT_EQ(evaluateExpressionText("2*3", false, 0).error, ExpressionError::None);
    EXPECT_EQ(expressionErrorText(ExpressionError::DivisionByZero).text, "Division durch 0!\n'Run'-Zustand wird beendet!");
    EXPECT_EQ(expressionErrorText(ExpressionError::UnknownOperator).title, "QuirloParser:");
    EXPECT_TRUE(expressionErrorText(ExpressionError::None).text.empty());
}

TEST(Expression, BadTextEndsInAValueOrAnError)
{
    // Unbalanced parentheses only shift priorities.
    EXPECT_EQ(plain("(1+2"), "3");
    EXPECT_EQ(evaluateExpressionText(")1+2", false, 0).error, ExpressionError::UnknownOperator);
    EXPECT_EQ(plain("1+2)"), "3");
    EXPECT_EQ(plain("99999999999999999999*10"), "1000000000000000000000");
    EXPECT_EQ(plain("1e5"), "0");
    EXPECT_EQ(evaluateExpressionText("nan", false, 0).error, ExpressionError::UnknownOperator);
    EXPECT_EQ(evaluateExpressionText("inf*2", false, 0).error, ExpressionError::UnknownOperator);
    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "1+";
    many += "1";
    EXPECT_EQ(plain(many), "10001");
    std::string nested(10000, '(');
    nested.append("2").append(10000, ')');
    EXPECT_EQ(plain(nested), "2");
    EXPECT_EQ(evaluateExpressionText(std::string(10000, '*'), true, 1).text, "0");
}
