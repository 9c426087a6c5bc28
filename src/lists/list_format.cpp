// The text of command lists, programs and the "RunList" clipboard text.
#include "lists/list_format.h"

#include <functional>

#include "common/text.h"

namespace {

constexpr int64_t infoLineType = 254;
constexpr int64_t deactivatedType = 11;

std::string joined(const std::vector<std::string>& cells, size_t count, char separator)
{
    std::string line;
    for (size_t k = 0; k < count; ++k)
        line += (k ? std::string(1, separator) : "") + (k < cells.size() ? lineFieldText(cells[k]) : "");
    return line;
}

} // namespace

namespace {

// Hands the lines of a text ended by LF, CR or CR LF to take until it says false; empty lines
// are left out, lines beyond longestLine bytes are cut and counted in cutLines.
void forEachTextLine(const std::string& text, size_t* cutLines, const std::function<bool(std::string&&)>& take)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.size() > longestLine) {
            // At the start of a character: the text stays valid UTF-8.
            size_t cut = longestLine;
            while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
                --cut;
            line.erase(cut);
            if (cutLines)
                ++*cutLines;
        }
        if (!line.empty() && !take(std::move(line)))
            return;
        if (end == std::string::npos)
            break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

} // namespace

std::vector<ListRow> parseCommandList(const std::string& text, ListReading* reading)
{
    std::vector<ListRow> rows;
    forEachTextLine(text, reading ? &reading->cutLines : nullptr, [&](std::string&& line) {
        if (rows.size() == mostRows) {
            if (reading)
                reading->tooManyRows = true;
            return false;
        }
        std::vector<std::string> cells = splitText(line, "\t");
        cells.resize(4);
        rows.push_back({std::move(cells), 0});
        return true;
    });
    return rows;
}

std::string commandListText(const std::vector<ListRow>& rows)
{
    std::string text;
    for (const ListRow& row : rows)
        text += joined(row.cells, 4, '\t') + "\n";
    return text;
}

ProgramText parseProgram(const std::string& text, ListReading* reading)
{
    ProgramText program;
    forEachTextLine(text, reading ? &reading->cutLines : nullptr, [&](std::string&& line) {
        // The info line first: its text may hold any number of TABs. A line "254" without
        // any is an empty info; taken as a row, it would become the info at the next load.
        size_t tab = line.find('\t');
        if (intValue(line) == infoLineType) {
            program.info = tab == std::string::npos ? "" : line.substr(tab + 1);
            return true;
        }
        if (program.rows.size() == mostRows) {
            if (reading)
                reading->tooManyRows = true;
            return false;
        }
        std::vector<std::string> cells = splitText(line, "\t");
        int64_t saved = 0;
        if (cells.size() == 5) {
            saved = intValue(cells[4]);
            cells.pop_back();
        }
        cells.resize(4);
        cells.push_back("");
        program.rows.push_back({std::move(cells), saved});
        return true;
    });
    return program;
}

std::string programText(const std::vector<ListRow>& rows, const std::string& info)
{
    std::string text = info.empty() ? "" : std::to_string(infoLineType) + "\t" + info + "\n";
    for (const ListRow& row : rows) {
        std::string line = joined(row.cells, 4, '\t');
        if (!row.cells.empty() && intValue(row.cells[0]) == deactivatedType && row.data != 0)
            line += "\t" + std::to_string(row.data);
        text += line + "\n";
    }
    return text;
}

std::string runListText(const std::vector<ListRow>& entries)
{
    std::string text = "RunList\r\n";
    for (const ListRow& entry : entries) {
        std::vector<std::string> cells = entry.cells;
        // A deactivated entry's saved type follows as a sixth cell, which readers of five skip.
        if (entry.data != 0) {
            cells.resize(5);
            cells.push_back(std::to_string(entry.data));
        }
        text += joined(cells, cells.size() > 5 ? 6 : 5, '\n') + "\r\n";
    }
    return text;
}

bool parseRunList(const std::string& text, std::vector<ListRow>& entries)
{
    entries.clear();
    if (text.rfind("RunList", 0) != 0)
        return false;
    size_t start = text.find("\r\n");
    if (start == std::string::npos)
        return true;
    start += 2;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::vector<std::string> cells = splitText(std::string_view(text).substr(start, end - start), "\n");
        for (std::string& cell : cells)
            cell = lineFieldText(cell);
        int64_t saved = cells.size() > 5 ? intValue(cells[5]) : 0;
        cells.resize(5);
        entries.push_back({cells, saved});
    }
    return true;
}

bool correctPortKeywords(std::vector<ListRow>& rows)
{
    static const char* const keywords[][2] = {{"OpenCom", "OpenPort"}, {"CloseCom", "ClosePort"}, {"ChangeCom", "ChangePort"}};
    bool changed = false;
    for (ListRow& row : rows) {
        if (row.cells.size() < 2)
            continue;
        int64_t type = intValue(row.cells[0]);
        if (type < 2 || type > 4)
            continue;
        const char* const* pair = keywords[type - 2];
        if (row.cells[1].find(pair[0]) != std::string::npos) {
            replaceAll(row.cells[1], pair[0], pair[1]);
            changed = true;
        }
    }
    return changed;
}

std::vector<std::string> listReadingWarnings(const ListReading& reading)
{
    const std::string check = "\nVor dem Speichern prüfen: gespeichert wird die gekürzte Liste.";
    std::vector<std::string> warnings;
    if (reading.tooManyRows)
        warnings.push_back("Die Datei hat mehr als " + std::to_string(mostRows) + " Einträge!\nGeladen wurden die ersten " +
                           std::to_string(mostRows) + "." + check);
    if (reading.cutLines > 0)
        warnings.push_back(std::to_string(reading.cutLines) + " Zeile(n) mit mehr als " + std::to_string(longestLine) +
                           " Zeichen wurde(n) gekürzt!" + check);
    return warnings;
}
