// What every input of the random driver and the coverage-guided fuzz targets must satisfy.
#include "fuzz/fuzz_checks.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "common/ini_file.h"
#include "app/start_options.h"
#include "common/text.h"
#include "lists/list_format.h"
#include "diagram/diagram_data.h"
#include "run/device_exchange.h"
#include "run/expression.h"
#include "run/line_preparation.h"
#include "serial/device_settings.h"
#include "serial/port_address.h"

namespace {

using Clock = std::chrono::steady_clock;

bool slow(Clock::time_point start)
{
    return Clock::now() - start > std::chrono::seconds(1);
}

bool sameRows(const std::vector<ListRow>& a, const std::vector<ListRow>& b, size_t cells)
{
    if (a.size() != b.size())
        return false;
    for (size_t r = 0; r < a.size(); ++r) {
        for (size_t c = 0; c < cells; ++c) {
            std::string left = c < a[r].cells.size() ? a[r].cells[c] : "";
            std::string right = c < b[r].cells.size() ? b[r].cells[c] : "";
            if (left != right)
                return false;
        }
    }
    return true;
}

} // namespace

bool validUtf8(std::string text)
{
    // NUL is a character here; the protocol and the lists turn it into "?" themselves.
    for (char& c : text) {
        if (c == '\0')
            c = ' ';
    }
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

std::string checkExpression(const std::string& input)
{
    auto start = Clock::now();
    for (bool cellMode : {false, true}) {
        ExpressionResult result = evaluateExpressionText(input, cellMode, 5);
        if (result.text.empty())
            return "empty result";
        if (result.error == ExpressionError::DivisionByZero && result.text != "-9223372036854775808")
            return "wrong division result";
    }
    return slow(start) ? "slow evaluation" : "";
}

std::string checkRow(const std::string& type, const std::string& blank, const std::string& parameters,
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
    env.notify = [](const PrepareIssue&) {};
    env.aborted = [&] { return aborted; };
    ProgramRow row{type, blank, "250", parameters, ""};
    auto start = Clock::now();
    prepareRow(row, 0, env);
    long long pause = std::atoll(row.pause.c_str());
    if (pause < 10 || pause > 60000)
        return "pause out of range";
    return slow(start) ? "slow preparation" : "";
}

std::string checkFiles(const std::string& bytes)
{
    auto start = Clock::now();
    // The readers get a file's bytes as text, converted as every load does.
    std::string input = fileBytesToUtf8(bytes);
    IniFile ini(input);
    ini.number("WINDOWPOS", "WinMainX", 0);
    ini.text("AUTOLOAD", "CommandFile", "");
    std::vector<ListRow> commands = parseCommandList(input);
    if (!sameRows(parseCommandList(commandListText(commands)), commands, 4))
        return "command list changes when written and read again";
    ProgramText program = parseProgram(input);
    ProgramText again = parseProgram(programText(program.rows, program.info));
    if (!sameRows(again.rows, program.rows, 4))
        return "program changes when written and read again";
    std::vector<ListRow> entries;
    parseRunList(input, entries);
    return slow(start) ? "slow file reading" : "";
}

std::string checkSetFile(const std::string& input)
{
    SettingsForm form;
    readSetFile(fileBytesToUtf8(input), form);
    std::string written = setFileText(form);
    SettingsForm again;
    readSetFile(written, again);
    if (setFileText(again) != written)
        return "*.set file changes when written and read again";
    std::string chars;
    for (char c : input) {
        if (c != '\0')
            chars += c;
    }
    if (codeListToChars(charsToCodeList(chars)) != chars)
        return "code list loses characters";
    return "";
}

std::string checkText(const std::string& input)
{
    for (const std::string& text : {fileBytesToUtf8(input), latin1ToUtf8(input), safeText(input)}) {
        if (!validUtf8(text))
            return "invalid UTF-8";
    }
    if (safeText(input).find('\0') != std::string::npos)
        return "NUL left in safe text";
    if (utf8ToLatin1(latin1ToUtf8(input)) != input)
        return "Latin-1 changes on the way to UTF-8 and back";
    return "";
}

std::string checkStreamLines(const std::string& input)
{
    if (input.size() < 3)
        return "";
    DeviceSettings settings;
    const char terminators[][3] = {"", "\r", "\n", "\r\n", "\n\r", ";"};
    settings.inTerminator = terminators[static_cast<unsigned char>(input[0]) % 6];
    settings.inMaxSigns = static_cast<unsigned char>(input[1]);
    std::string bytes = input.substr(3);
    auto all = [](StreamLines& stream, std::vector<StreamLine> lines) {
        if (std::optional<StreamLine> last = stream.flush())
            lines.push_back(*last);
        return lines;
    };
    StreamLines whole(settings);
    std::vector<StreamLine> once = all(whole, whole.feed(bytes, 0));
    // The same bytes in reads of 1 to 16 bytes.
    StreamLines pieces(settings);
    std::vector<StreamLine> read;
    size_t step = static_cast<unsigned char>(input[2]) % 16 + 1;
    for (size_t at = 0; at < bytes.size(); at += step) {
        std::vector<StreamLine> lines = pieces.feed(std::string_view(bytes).substr(at, step), 0);
        read.insert(read.end(), lines.begin(), lines.end());
    }
    read = all(pieces, read);
    if (read.size() != once.size())
        return "the lines depend on where the reads end";
    size_t terminatorBytes = std::count(bytes.begin(), bytes.end(),
                                        settings.inTerminator.empty() ? '\0' : settings.inTerminator.back());
    if (once.size() > terminatorBytes + 1)
        return "more lines than terminators";
    for (size_t k = 0; k < once.size(); ++k) {
        if (once[k].text != read[k].text || once[k].cut != read[k].cut)
            return "the lines depend on where the reads end";
        if (!validUtf8(once[k].text))
            return "invalid UTF-8 in a line";
        int64_t characters = std::count_if(once[k].text.begin(), once[k].text.end(),
                                           [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
        if (characters > settings.inMaxSigns + 1)
            return "line longer than inMaxSigns + 1";
    }
    return "";
}

std::string checkStartOptions(const std::string& input)
{
    std::vector<std::string> arguments;
    size_t start = 0;
    for (size_t end; (end = input.find('\0', start)) != std::string::npos; start = end + 1)
        arguments.push_back(input.substr(start, end - start));
    arguments.push_back(input.substr(start));
    StartOptions options;
    if (!parseStartOptions(arguments, options).empty())
        return options.ports.empty() && !options.run ? "" : "refused options leave options behind";
    for (const PortOption& port : options.ports) {
        const std::string& name = port.device;
        PortAddress address = portAddressOf(name);
        // A path or a network address is opened, never handed to a program; it has no control
        // characters and keeps its length limit.
        if (address.kind != PortAddress::Kind::Device) {
            if (name.size() > 255 || std::any_of(name.begin(), name.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                }))
                return "unsafe port name " + name;
            if (address.kind == PortAddress::Kind::Network && (address.port < 1 || address.port > 65535))
                return "network port out of range " + name;
            continue;
        }
        if (name.empty() || name.front() == '/' || name.front() == '-' || name.find("..") != std::string::npos ||
            name.find("//") != std::string::npos || name.back() == '/')
            return "unsafe device name " + name;
        for (char c : name) {
            if (!g_ascii_isalnum(c) && c != '_' && c != '-' && c != '/')
                return "unsafe device name " + name;
        }
    }
    return "";
}

std::string checkDiagram(const std::string& input)
{
    std::vector<std::string> lines = splitText(input, "\n");
    // The first line: the options' values in the order of their keys, tab-separated.
    std::vector<std::string> values = splitText(lines.front(), "\t");
    DiagramOptions options;
    IniGroup keys = diagramIniGroup(options);
    for (size_t next = 0; next < values.size() && next < keys.keys.size(); ++next)
        keys.keys[next].read(values[next]);
    std::vector<std::vector<std::string>> table;
    int columns = 0;
    for (size_t line = 1; line < lines.size(); ++line) {
        table.push_back(splitText(lines[line], "\t"));
        columns = std::max(columns, static_cast<int>(table.back().size()));
    }
    const int rows = static_cast<int>(table.size());
    std::string outside;
    Diagram diagram = buildDiagram(
        options,
        [&](int row, int column) {
            if (row < 1 || row > rows || column < 1 || column > columns)
                outside = "a cell outside the table was read";
            const std::vector<std::string>& cells = table[static_cast<size_t>(std::clamp(row, 1, rows) - 1)];
            return column >= 1 && column <= static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column - 1)]
                                                                            : std::string();
        },
        rows, columns);
    if (!outside.empty())
        return outside;
    if (!validUtf8(diagram.hint) && validUtf8(input))
        return "invalid UTF-8 in the hint";
    if (!diagram.drawable())
        return diagram.hint.empty() ? "nothing to draw and no hint" : "";
    for (const AxisRange& range : {diagram.x, diagram.y, diagram.y2}) {
        if (!std::isfinite(range.min) || !std::isfinite(range.max) || !(range.min < range.max))
            return "a range without room";
    }
    for (const Series& series : diagram.series) {
        if (series.x.size() != series.y.size() || series.x.empty())
            return "a series with unequal or no points";
        for (size_t i = 0; i < series.x.size(); ++i) {
            if (!std::isfinite(series.x[i]) || !std::isfinite(series.y[i]))
                return "a point that is not finite";
        }
    }
    Diagram drawn = thinnedFor(diagram, 20, 10);
    for (size_t i = 0; i < drawn.series.size(); ++i) {
        if (drawn.series[i].x.size() > diagram.series[i].x.size() || drawn.series[i].x.empty())
            return "a drawing with more points than the diagram, or none";
    }
    return "";
}
