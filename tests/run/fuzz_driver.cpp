// A random driver for the expression evaluator, the preparation of one row and the INI reader: any text
// must end in a value or an error, without a crash, a hang or a sanitizer report. Inputs that
// once failed are kept in fuzz_regressions.txt and run first.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/ini_file.h"
#include "lists/list_format.h"
#include "run/expression.h"
#include "run/line_preparation.h"

namespace {

using Clock = std::chrono::steady_clock;

int failures = 0;

void fail(const char* what, const std::string& input)
{
    ++failures;
    std::fprintf(stderr, "%s on input of %zu bytes:", what, input.size());
    for (unsigned char c : input.substr(0, 200))
        std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
}

void checkExpression(const std::string& input)
{
    auto start = Clock::now();
    for (bool cellMode : {false, true}) {
        ExpressionResult result = evaluateExpressionText(input, cellMode, 5);
        if (result.text.empty())
            fail("empty result", input);
        if (result.error == ExpressionError::DivisionByZero && result.text != "-9223372036854775808")
            fail("wrong division result", input);
    }
    if (Clock::now() - start > std::chrono::seconds(1))
        fail("slow evaluation", input);
}

void checkRow(const std::string& type, const std::string& blank, const std::string& parameters,
              bool singleRow, bool quiet)
{
    PrepareEnvironment env;
    env.singleRow = singleRow;
    env.quiet = quiet;
    env.loopActive = !quiet;
    env.loopCounter = 3;
    env.date = "07.12.2026";
    env.time = "08:15:30";
    bool aborted = false;
    env.evaluate = [&](const std::string& text, bool cellMode, double base) {
        ExpressionResult result = evaluateExpressionText(text, cellMode, base);
        aborted = aborted || result.error != ExpressionError::None;
        return result.text;
    };
    env.notify = [](PrepareNotice, int) {};
    env.aborted = [&] { return aborted; };
    ProgramRow row{type, blank, "250", parameters, ""};
    auto start = Clock::now();
    prepareRow(row, 0, env);
    long long pause = std::atoll(row.pause.c_str());
    if (pause < 10 || pause > 60000)
        fail("pause out of range", blank + "|" + parameters);
    if (Clock::now() - start > std::chrono::seconds(1))
        fail("slow preparation", blank + "|" + parameters);
}

// Any text reads as an INI file and as every list format without a crash.
void checkIni(const std::string& input)
{
    auto start = Clock::now();
    IniFile ini(input);
    parseCommandList(input);
    parseProgram(input);
    std::vector<std::vector<std::string>> entries;
    parseRunList(input, entries);
    ini.number("WINDOWPOS", "WinMainX", 0);
    ini.text("AUTOLOAD", "CommandFile", "");
    if (Clock::now() - start > std::chrono::seconds(1))
        fail("slow INI or list reading", input);
}

std::string pick(std::mt19937& random, const std::vector<std::string>& parts, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += parts[random() % parts.size()];
    return text;
}

std::string randomBytes(std::mt19937& random, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>(random() % 256);
    return text;
}

std::string fromHex(const std::string& line)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < line.size(); i += 2)
        bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (const char* override = std::getenv("QUIRLO_FUZZ_SECONDS"))
        seconds = std::atof(override);
    if (argc > 2) {
        std::ifstream regressions(argv[2]);
        std::string line;
        while (std::getline(regressions, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            std::string input = fromHex(line);
            checkExpression(input);
            checkRow("7", "CellPos <i>,<i>", input, true, false);
            checkRow("8", input, input, true, false);
        }
    }

    const std::vector<std::string> expressionParts = {
        "0", "1", "2", "5", "9", "10", ".", ",", "+", "-", "*", "/", "(", ")", " ", "\t", "x", "e",
        "99999999999999999999", "1e308", "nan", "inf", "#TR", "-0", "0.5", "((", "))"};
    const std::vector<std::string> blankParts = {
        "<s>", "<i>", "<f>", "<b>", "<S>", "<x>", "<", ">", "VOLT ", "CellPos ", "Loop ", ",", ";",
        "Write ", "MSGBOX ", "PauseOn ", "ä", "ß", "\xff", std::string(1, '\0'), " "};
    const std::vector<std::string> parameterParts = {
        "#LI", "#TR", "#TC", "#DATI", "#DATE", "#TIME", "#li", ";", "1.5", "2*3", "abc", "10/0", "-",
        "(", ")", "0", "$ff", "%101", "<s>", "<i>", " ", "\t", "5x2", "ä"};
    const std::vector<std::string> types = {"0", "1", "2", "5", "6", "7", "8", "11", "12", "14", "15",
                                            "-1", "16", "255", "abc", "", "99999999999999999999"};

    // A new stream each run; QUIRLO_FUZZ_SEED replays the one a failure printed.
    unsigned seed = std::random_device{}();
    if (const char* replay = std::getenv("QUIRLO_FUZZ_SEED"))
        seed = static_cast<unsigned>(std::strtoul(replay, nullptr, 10));
    std::printf("seed %u (replay with QUIRLO_FUZZ_SEED=%u)\n", seed, seed);
    std::fflush(stdout);
    std::mt19937 random(seed);
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    long long cases = 0;
    while (Clock::now() < end && failures < 20) {
        for (int i = 0; i < 200; ++i, ++cases) {
            bool huge = random() % 500 == 0;
            size_t length = huge ? 20000 : random() % 40;
            checkExpression(random() % 4 == 0 ? randomBytes(random, length) : pick(random, expressionParts, length));
            std::string blank = pick(random, blankParts, huge ? 2000 : random() % 12);
            std::string parameters = random() % 4 == 0 ? randomBytes(random, length)
                                                       : pick(random, parameterParts, length);
            checkRow(types[random() % types.size()], blank, parameters, random() % 2, random() % 2);
            checkIni(random() % 2 ? randomBytes(random, length * 8) : "[" + blank + "]\n" + parameters + " = " + blank);
        }
    }
    std::printf("%lld cases in %.0f s, %d failures, seed %u\n", cases, seconds, failures, seed);
    return failures == 0 ? 0 : 1;
}
