// The entry of a coverage-guided fuzz target: a check that fails stops the fuzzer with the
// input, which it keeps as a crash file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void requireNoProblem(const std::string& problem)
{
    if (problem.empty())
        return;
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
}
