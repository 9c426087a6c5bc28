// Coverage-guided fuzzing of the evaluator and the preparation of a row: the input is an
// expression, and also a blank and its parameters split at the first "|".
#include "fuzz/fuzz_checks.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    requireNoProblem(checkExpression(input));
    requireNoProblem(checkRow("7", "CellPos <i>,<i>", input, true, false));
    size_t bar = input.find('|');
    std::string blank = input.substr(0, bar);
    std::string parameters = bar == std::string::npos ? "" : input.substr(bar + 1);
    for (const char* type : {"0", "5", "8", "14"})
        requireNoProblem(checkRow(type, blank, parameters, size % 2 == 0, size % 3 == 0));
    return 0;
}
