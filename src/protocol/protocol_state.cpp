// The protocol's state and the text rules of its two forms.
#include "protocol/protocol_state.h"

#include <cmath>

#include "common/text.h"

ProtocolState protocol;

void resetProtocolState()
{
    protocol = ProtocolState{};
}

std::vector<std::string> protocolListCells(const std::string& text, const std::string& pause,
                                           const std::string& extra)
{
    std::vector<std::string> cells = splitText(text + "\n" + pause + "\n" + extra, "\n");
    cells.resize(4);
    return cells;
}

CellNumber cellNumber(const std::string& text)
{
    std::string number = stripBlanks(text);
    CellNumber read{decimalValue(number), false};
    read.whole = isNumberText(number) && std::isfinite(read.value);
    return read;
}

std::string protocolTableValue(const std::string& response, int content)
{
    std::string number;
    switch (content) {
    case ValuesLeft:
        number = response;
        for (char& c : number) {
            if (c == ',')
                c = '.';
        }
        break;
    case ValuesExtracted:
        for (char c : response) {
            if (std::string_view("0123456789.,-+").find(c) != std::string_view::npos)
                number += c;
        }
        break;
    default: return response;
    }
    return formatDecimal(decimalValue(number));
}

std::string tableResponseCell(const std::string& response, const std::string& extra, int content)
{
    if (extra.ends_with(noAnswerMark))
        return "";
    if (extra.ends_with(cutMark))
        return std::string(cutMark) + ": " + response;
    return protocolTableValue(response, content);
}

bool checkTableBounds(ProtocolState& state)
{
    state.colOverflow = state.cellCol > state.maxCols || state.cellCol < 1;
    state.rowOverflow = state.cellRow > state.maxRows || state.cellRow < 0;
    if (state.colOverflow || state.rowOverflow)
        state.limitExceeded = true;
    return !state.colOverflow && !state.rowOverflow;
}

std::vector<std::string> tableLimitFaults(const TableLimits& limits)
{
    auto outside = [](int64_t value, int64_t low, int64_t high) { return value < low || value > high; };
    std::vector<std::string> faults;
    if (outside(limits.maxCols, 1, 255))
        faults.push_back("Wert muss zwischen 1 und 255 liegen!");
    if (outside(limits.columns, 1, limits.maxCols))
        faults.push_back("Wert muss zwischen 1 und 'max. Spalten' liegen!");
    if (outside(limits.maxRows, 1, 65535))
        faults.push_back("Wert muss zwischen 1 und '65535' liegen!");
    if (outside(limits.columnWidth, 10, 255))
        faults.push_back("Wert muss zwischen 10 und '255' liegen!");
    return faults;
}
