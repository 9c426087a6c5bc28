// The preparation of a program row.
#include "run/line_preparation.h"

#include <algorithm>
#include <climits>
#include <vector>

#include <glib.h>

#include "common/line_types.h"
#include "common/text.h"
#include "run/expression.h"

namespace {

// Placeholders <b>, <i>, <f> are looked for only in the first 254 characters of the blank.
constexpr size_t placeholderReach = 254;

void replaceValuePlaceholders(std::string& field, const PrepareEnvironment& env)
{
    replaceAll(field, "#LI", env.loopActive ? std::to_string(env.loopCounter) : "0");
    replaceAll(field, "#TR", std::to_string(env.cellRow));
    replaceAll(field, "#TC", std::to_string(env.cellCol));
    replaceAll(field, "#DATI", env.date + " " + env.time);
    replaceAll(field, "#DATE", env.date);
    replaceAll(field, "#TIME", env.time);
}

// The kinds of placeholder a blank may hold: <S>, <B>, <I>, <F>.
bool placeholderKind(char kind)
{
    return kind == 'S' || kind == 'B' || kind == 'I' || kind == 'F';
}

// The blank while its placeholders are filled from left to right: the filled part and the
// position in the blank where the unfilled rest begins. Each search goes on from where the
// last one stopped, so filling many placeholders costs one pass over the blank, and a filled
// value is never searched again.
struct PartlyFilled {
    explicit PartlyFilled(const std::string& text) : blank(text) {}

    const std::string& blank;
    std::string filled;
    size_t rest = 0;

    // Moves to the first of "<S>", "<B>", "<I>", "<F>" in the rest (<B>, <I>, <F> only within
    // reach of the start of the partly filled text); false when there is none.
    bool findPlaceholder()
    {
        for (size_t pos = blank.find('<', rest); pos != std::string::npos; pos = blank.find('<', pos + 1)) {
            if (pos + 2 >= blank.size() || blank[pos + 2] != '>')
                continue;
            char kind = blank[pos + 1];
            bool reachable = kind == 'S' || filled.size() + (pos - rest) < placeholderReach;
            if (placeholderKind(kind) && reachable) {
                filled.append(blank, rest, pos - rest);
                rest = pos;
                return true;
            }
        }
        return false;
    }
    char kind() const { return blank[rest + 1]; }
    void fill(const std::string& value)
    {
        filled += value;
        rest += 3;
    }
    std::string text() const { return filled + blank.substr(rest); }
};

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

enum class Fill { Text, Unchanged, Nothing, Unreadable };

// What a placeholder gets from the field.
Fill fillText(char kind, const std::string& field, bool counterUsed, int type, int parameter,
              PrepareEnvironment& env, std::string& text)
{
    switch (kind) {
    case 'S': text = field; return Fill::Text;
    case 'B': text = intValue(field) != 0 ? "1" : "0"; return Fill::Text;
    case 'I':
        if (type == TypeCellPos && !env.quiet) {
            // Row and column; further parameters count as filled and change nothing.
            if (parameter > 2)
                return Fill::Unchanged;
            int& position = parameter == 1 ? env.cellRow : env.cellCol;
            if (!expressionReadable(field))
                return Fill::Unreadable;
            text = env.evaluate(field, true, position);
            position = clampToInt(intValue(text));
            return Fill::Text;
        }
        if (intValue(field) == 0 && field != "0")
            return Fill::Nothing;
        text = field;
        return Fill::Text;
    case 'F': {
        // A signed number such as "-1.5" or "1E-3" is a value, not an expression. The check
        // computes an expression too, but one with the loop counter inside a loop, which the run
        // computes before each pass.
        std::string value = field;
        bool expression = ContainsAnyOf(value, "+-*/") && !isNumberText(value);
        if (expression && !expressionReadable(value))
            return Fill::Unreadable;
        if (expression && (env.singleRow || !(env.insideLoop && counterUsed)))
            value = env.evaluate(value, false, 0);
        text = formatDecimal(decimalValue(value));
        return Fill::Text;
    }
    default: return Fill::Nothing;
    }
}

std::string heldPause(const std::string& pause, bool readAtOnce)
{
    long long value = intValue(pause);
    if (value > 60000)
        return "60000";
    // Fixed waits need a breath between rows; reading at once, the exchange itself waits.
    long long least = readAtOnce ? 0 : 10;
    if (value < least + 1)
        return std::to_string(least);
    return std::to_string(value);
}

} // namespace

int CountPlaceholders(const std::string& text)
{
    int count = 0;
    for (size_t pos = 0; pos + 1 < text.size();) {
        if (text[pos] == '<' && pos + 2 < text.size() && text[pos + 2] == '>') {
            ++count;
            pos += 3;
        } else {
            ++pos;
        }
    }
    return count;
}

bool ContainsAnyOf(const std::string& text, const std::string& characters)
{
    return text.find_first_of(characters) != std::string::npos;
}

bool InRange(double value, double low, double high)
{
    return low <= value && value <= high;
}

namespace {

// The blank as typed, but for its placeholders, which the filling looks for in upper case.
std::string withUpperPlaceholders(const std::string& blank)
{
    std::string text = blank;
    for (size_t pos = 0; pos + 2 < text.size(); ++pos) {
        char kind = g_ascii_toupper(text[pos + 1]);
        if (text[pos] == '<' && text[pos + 2] == '>' && placeholderKind(kind))
            text[pos + 1] = kind;
    }
    return text;
}

} // namespace

bool prepareRow(ProgramRow& row, int rowIndex, PrepareEnvironment& env)
{
    std::string text = env.sendAsIs ? withUpperPlaceholders(row.blank) : upperText(row.blank);
    std::string parameters = row.parameters;
    int type = static_cast<int>(intValue(row.type));
    if (!lineTypeCarriesText(type))
        parameters = env.sendAsIs ? stripBlanks(parameters) : upperText(stripBlanks(parameters));
    std::vector<std::string> values = parameters.empty() ? std::vector<std::string>{} : splitText(parameters, ";");
    int count = static_cast<int>(values.size());

    bool passed = true;
    // One message a row is enough.
    auto refuse = [&](bool wrong, const PrepareIssue& issue) {
        if (wrong && passed)
            env.notify(issue);
        passed = passed && !wrong;
    };
    refuse(CountPlaceholders(text) != count && type != TypePauseOn, {PrepareNotice::CountMismatch, rowIndex, 0, ""});
    refuse(type == TypeCommand && stripBlanks(row.blank).empty(), {PrepareNotice::EmptyCommand, rowIndex, 0, ""});

    // Set when the last pass found a field but no placeholder left for it.
    bool superfluous = false;
    bool emptyField = false;
    PartlyFilled blank{text};
    for (int parameter = 1; parameter <= count; ++parameter) {
        superfluous = false;
        std::string field = values[parameter - 1];
        if (field.empty()) {
            env.notify({PrepareNotice::EmptyParameter, rowIndex, 0, ""});
            emptyField = true;
        }
        bool counterUsed = field.find("#LI") != std::string::npos;
        replaceValuePlaceholders(field, env);
        if (field.empty())
            break;
        superfluous = !blank.findPlaceholder();
        std::string filled;
        Fill fill = superfluous ? Fill::Nothing
                                : fillText(blank.kind(), field, counterUsed, type, parameter, env, filled);
        if (fill == Fill::Text)
            blank.fill(filled);
        refuse(fill == Fill::Unreadable || (fill == Fill::Nothing && !superfluous),
               {fill == Fill::Unreadable ? PrepareNotice::Unreadable : PrepareNotice::Unfilled, rowIndex, parameter,
                values[parameter - 1]});
        if ((fill != Fill::Text && fill != Fill::Unchanged) || env.aborted())
            break;
    }
    if (superfluous)
        row.parameters.clear();
    // A placeholder left by an empty field goes out as it is: the row does not pass.
    if (emptyField && passed && blank.findPlaceholder())
        passed = false;
    text = blank.text();

    text = casedSendString(text, type);
    if (!(type == TypeCellPos && env.quiet && env.loopActive))
        row.sendString = text;
    row.pause = heldPause(row.pause, env.readAtOnce);
    return passed;
}

ProgramCheck prepareProgram(std::vector<ProgramRow>& rows, PrepareEnvironment& env)
{
    ProgramCheck check;
    const int cellRow = env.cellRow;
    const int cellCol = env.cellCol;
    int depth = 0;
    for (size_t index = 0; index < rows.size(); ++index) {
        int row = static_cast<int>(index);
        long long type = intValue(rows[index].type);
        depth += type == TypeLoop ? 1 : type == TypeLoopEnd ? -1 : 0;
        env.insideLoop = depth > 0 && type != TypeLoop;
        check.passed = prepareRow(rows[index], row, env) && check.passed;
        check.prepared = row + 1;
        if (depth < 0 || depth > 1) {
            check.stop = ProgramCheck::Stop::Nesting;
        } else if (env.aborted && env.aborted()) {
            check.stop = ProgramCheck::Stop::Aborted;
        } else {
            if (index + 1 == rows.size() && depth != 0) {
                check.openLoop = true;
                check.row = row;
                check.passed = false;
            }
            continue;
        }
        check.row = row;
        check.passed = false;
        break;
    }
    env.cellRow = cellRow;
    env.cellCol = cellCol;
    return check;
}

std::vector<std::string> programCheckMessages(const ProgramCheck& check)
{
    std::vector<std::string> messages;
    std::string line = "Zeile " + std::to_string(check.row + 1);
    if (check.stop == ProgramCheck::Stop::Nesting)
        messages.push_back(line + "\nEs sind keine verschachtelten Schleifen, oder\nfreien Schleifenteile erlaubt");
    if (check.openLoop)
        messages.push_back(line + "\nDas Programm endet mit einer offenen Schleife!\nBitte korrigieren!");
    return messages;
}

std::string prepareNoticeText(const PrepareIssue& issue)
{
    std::string row = std::to_string(issue.row + 1);
    std::string parameter = "Parameter " + std::to_string(issue.parameter) + " (\"" + issue.field + "\")";
    switch (issue.notice) {
    case PrepareNotice::EmptyParameter: return "Leerer Parameter in Programmzeile: " + row;
    case PrepareNotice::CountMismatch:
        return "Die Anzahl an Platzhaltern und\nParametern unterscheidet sich in\nProgrammzeile: " + row;
    case PrepareNotice::Unfilled:
        return parameter + " passt nicht zu seinem Platzhalter\nin Programmzeile: " + row +
               "\nDie Zeile würde den Platzhalter ungefüllt senden.";
    case PrepareNotice::Unreadable: return parameter + " ist kein vollständiger Ausdruck\nin Programmzeile: " + row;
    case PrepareNotice::EmptyCommand:
        return "Leeres Kommando in Programmzeile: " + row + "\nEs würde nur das Endezeichen gesendet.";
    }
    return {};
}
