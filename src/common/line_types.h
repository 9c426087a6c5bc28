// The sixteen line types of list entries: choice texts, blanks, descriptions and colours.
#pragma once

#include <string>

enum LineTypeCode {
    TypeCommand = 0,
    TypeQuery = 1,
    TypeOpenPort = 2,
    TypeClosePort = 3,
    TypeChangePort = 4,
    TypeLoop = 5,
    TypeLoopEnd = 6,
    TypeCellPos = 7,
    TypeWrite = 8,
    TypeClearProt = 9,
    TypeBeep = 10,
    TypeComment = 11,
    TypeSetDTR = 12,
    TypeSetRTS = 13,
    TypeMsgBox = 14,
    TypePauseOn = 15,
    LineTypeCount = 16
};

// The columns of a program entry in the program list.
enum ProgramColumn { ColumnType = 0, ColumnCommand = 1, ColumnPause = 2, ColumnParameters = 3, ColumnSendString = 4 };

// How the prepared send string of a row is cased: as typed (upper case) for the device, all in
// lower case for the runner's own rows, or only the runner's keywords in lower case for rows
// that carry text for the user.
enum class SendCase { Device, Lower, KeywordLower };

// One row per line type; adding a type is a row here plus its behaviour in the runner.
struct LineType {
    const char* choice;      // text in the editor's type choice
    const char* blank;       // put into "Kommando" when chosen; nullptr: left as it is
    const char* description; // put into "Beschreibung" when chosen; nullptr: left as it is
    const char* colour;      // text colour of a program row, "#rrggbb"
    bool clearsPause;        // choosing the type also sets the pause to "0"
    SendCase sendCase;
    const char* keyword;     // the runner's keyword in upper case (SendCase::KeywordLower)
    bool needsPort = false;  // the runner refuses the row while the current port is closed
};

// The line type of a code; nullptr outside 0..15.
const LineType* lineType(long long code);
// Whether choosing the type also sets the pause to "0".
bool lineTypeClearsPause(long long code);
// Text colour of a program row of the type, "#rrggbb" (black for unknown codes).
std::string lineTypeColour(long long code);
// Whether the runner needs the current port open for a row of the type.
bool lineTypeNeedsPort(long long code);
// Whether a row of the type carries text for the user, whose parameters keep their case and
// blanks.
bool lineTypeCarriesText(long long code);
// The send string of a prepared row of the type, cased as its type says.
std::string casedSendString(const std::string& text, long long code);
