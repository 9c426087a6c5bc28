// Coverage-guided fuzzing of one check of fuzz_checks.h, named by QUIRLO_FUZZ_CHECK at the build.
#include "fuzz/fuzz_checks.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    requireNoProblem(QUIRLO_FUZZ_CHECK(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
