// Prints how the preparation of one program row grows with its placeholders and its value
// placeholders: the time should grow with the length of the text, not with its square.
#include <chrono>
#include <cstdio>
#include <string>

#include "run/expression.h"
#include "run/line_preparation.h"

namespace {

double millisecondsFor(const std::string& blank, const std::string& parameters)
{
    PrepareEnvironment env;
    env.date = "07.12.2026";
    env.time = "08:15:30";
    env.evaluate = [](const std::string& text, bool cellMode, double base) {
        return evaluateExpressionText(text, cellMode, base).text;
    };
    env.notify = [](const PrepareIssue&) {};
    env.aborted = [] { return false; };
    ProgramRow row{"0", blank, "100", parameters, ""};
    auto start = std::chrono::steady_clock::now();
    prepareRow(row, 0, env);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string repeated(const std::string& part, int count, const std::string& separator = "")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? separator : "") + part;
    return text;
}

} // namespace

int main()
{
    double previous = 0;
    for (int count : {1000, 10000, 100000}) {
        double ms = millisecondsFor(repeated("<s>", count), repeated("x", count, ";"));
        std::printf("%6d <s> with %6d parameters: %8.2f ms", count, count, ms);
        if (previous > 0)
            std::printf("  (x%.1f for 10 times the placeholders)", ms / previous);
        std::printf("\n");
        previous = ms;
    }
    previous = 0;
    for (int count : {10000, 100000}) {
        double ms = millisecondsFor("<s>", repeated("#DATI", count));
        std::printf("%6d x \"#DATI\" in one parameter: %8.2f ms", count, ms);
        if (previous > 0)
            std::printf("  (x%.1f for 10 times the placeholders)", ms / previous);
        std::printf("\n");
        previous = ms;
    }
    return 0;
}
