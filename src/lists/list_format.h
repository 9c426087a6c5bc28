// The text of command lists (*.cml), programs (*.run) and the "RunList" clipboard text. Free
// of any window; the texts are UTF-8, the callers convert the files' bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ListRow {
    std::vector<std::string> cells;
    int64_t data = 0; // a deactivated program entry's saved type
};

// The longest line of a list file that is read whole: a longer one (no command needs it) is cut
// there, since the list would take seconds to measure and draw it.
constexpr size_t longestLine = 65536;

// The most entries a list takes from a file. A list of a million rows would take seconds and
// most of a gigabyte to load and show; a file of more loads its first entries, and says so.
constexpr size_t mostRows = 100000;

// What reading a list file met: lines cut at longestLine, and entries beyond mostRows.
struct ListReading {
    size_t cutLines = 0;
    bool tooManyRows = false;
};
// The warnings that tell the user of it, in the order they are shown.
std::vector<std::string> listReadingWarnings(const ListReading& reading);

// A command list: four cells a line, further fields dropped.
std::vector<ListRow> parseCommandList(const std::string& text, ListReading* reading = nullptr);
std::string commandListText(const std::vector<ListRow>& rows);

struct ProgramText {
    std::vector<ListRow> rows;
    std::string info; // the program info, lines joined by TAB
};
// A program: the info line "254" + TAB + info first, then entry lines of four cells and, for a
// deactivated entry, its saved type as fifth field.
ProgramText parseProgram(const std::string& text, ListReading* reading = nullptr);
// The rows' first four cells, the saved type of a type-11 row with row data, and the info line
// first when there is info.
std::string programText(const std::vector<ListRow>& rows, const std::string& info);

// "RunList" CR LF, then each entry's cells joined by LF and ended by CR LF.
std::string runListText(const std::vector<ListRow>& entries);
// The entries of a "RunList" text; false for any other text.
bool parseRunList(const std::string& text, std::vector<ListRow>& entries);

// Replaces "OpenCom", "CloseCom", "ChangeCom" in the blank of rows of type 2, 3 and 4 by
// "OpenPort", "ClosePort", "ChangePort"; true when a cell changed.
bool correctPortKeywords(std::vector<ListRow>& rows);
