// The protocol's state and the text rules of its two forms, free of any window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The kind of a protocol line that holds a device's answer; the other kinds are the line type
// codes of the rows that wrote them, and -1 for information.
constexpr int KindResponse = 255;
// Ends the extra text of a response line for a query that got not one byte: the list shows
// it, a table leaves the answer's cell empty.
constexpr std::string_view noAnswerMark = "keine Antwort";
// Ends the extra text of a response that is not the device's whole answer; a table cell says
// so before the value, so that it is never read as a number.
constexpr std::string_view cutMark = "abgeschnitten";

enum ProtocolMode { ModeNone = 0, ModeOff = 1, ModeDebug = 2, ModeList = 4, ModeTable = 8, ModeExcel = 16 };

// The "Inhalt:" choices of the table form.
enum TableContent { ValuesLeft = 0, ValuesExtracted = 1, FullText = 2 };

struct ProtocolState {
    int protocolMode = ModeList;
    int builtMode = 0;
    int maxCols = 24;
    int maxRows = 4096;
    int colCount = 10;
    int colWidth = 60;
    int cellRow = 1;
    int cellCol = 1;
    int lastRow = 1;
    bool colOverflow = false;
    bool rowOverflow = false;
    bool limitExceeded = false;
    int64_t lostValues = 0; // values the table had no cell for (outside its limits)
};

extern ProtocolState protocol;

void resetProtocolState();

// The cells of a list line: the "\n"-separated parts of text, pause and extra; parts beyond
// the four columns are dropped.
std::vector<std::string> protocolListCells(const std::string& text, const std::string& pause,
                                           const std::string& extra);

// A cell read as a number, the one reading of the export and the diagram: blanks removed at
// both ends, then the leading decimal number as the protocol reads numbers ("." as decimal
// point, an exponent allowed; "," is no decimal separator, so "12,5" is 12 followed by text), 0
// without one. whole: the cell holds that number and nothing else, and it is finite.
struct CellNumber {
    double value = 0;
    bool whole = false;
};
CellNumber cellNumber(const std::string& text);

// What the table shows for a response under the "Inhalt:" choice.
std::string protocolTableValue(const std::string& response, int content);
// The table cell of a response line with its extra text: empty for a query that got no answer,
// the cut text after the mark for an answer that was cut, else the value under "Inhalt:".
std::string tableResponseCell(const std::string& response, const std::string& extra, int content);

// The table's numbers on the "Protokoll" page as typed, whole (so 4294967297 is not taken for
// 1), and what is wrong with them: one message per value out of its range, in page order.
struct TableLimits {
    int64_t maxCols, columns, maxRows, columnWidth;
};
std::vector<std::string> tableLimitFaults(const TableLimits& limits);

// The bounds test of a table write at the cell cursor: sets both overflow flags and, when
// either is set, limitExceeded. True when the write may go ahead.
bool checkTableBounds(ProtocolState& state);
