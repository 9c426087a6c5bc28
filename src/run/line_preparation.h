// The preparation of a program row: placeholders filled from the parameters, value
// placeholders replaced, keywords cased, the pause held in its range. Free of any window: the
// caller supplies the evaluator and shows the notices.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The five cells of a program row.
struct ProgramRow {
    std::string type, blank, pause, parameters, sendString;
};

// What the preparation tells about a row. Unfilled: a parameter does not fit its placeholder,
// which the row would send as it is; Unreadable: an expression the evaluator cannot read
// completely; EmptyCommand: a command row with no text, which would send only the terminator.
enum class PrepareNotice { CountMismatch, EmptyParameter, Unfilled, Unreadable, EmptyCommand };

struct PrepareIssue {
    PrepareNotice notice;
    int row;               // 0-based
    int parameter = 0;     // 1-based, for Unfilled and Unreadable
    std::string field;     // that parameter's text
};

struct PrepareEnvironment {
    bool quiet = false;
    bool singleRow = false;
    bool loopActive = false;
    // The row lies inside a loop of the program: the run prepares it again before each pass.
    bool insideLoop = false;
    long long loopCounter = 0;
    int cellRow = 1;            // updated by CellPos rows
    int cellCol = 1;
    std::string date;           // "dd.mm.yyyy"
    std::string time;           // "hh:mm:ss"
    // Evaluates an expression (cell mode with the base, or plain); reports errors itself.
    std::function<std::string(const std::string& text, bool cellMode, double base)> evaluate;
    // Reports what is wrong with a row.
    std::function<void(const PrepareIssue& issue)> notify;
    // Whether the evaluator has asked to end the run.
    std::function<bool()> aborted;
    // The current port's device takes the text as typed: no upper case for its rows.
    bool sendAsIs = false;
    // The current port's device reads its answers at once: a pause of 0 goes on at once.
    bool readAtOnce = false;
};

// The warning that tells the user of the issue.
std::string prepareNoticeText(const PrepareIssue& issue);

// Prepares one row (index row) in place: writes the send string (except for a quiet CellPos
// row while a loop is active), may empty the parameters, rewrites the pause. Returns false
// when the placeholder count did not match the parameters, a placeholder would be sent
// unfilled, an expression cannot be read, or a command row is empty.
bool prepareRow(ProgramRow& row, int rowIndex, PrepareEnvironment& env);

// How a whole-program check went: every prepared row passed, or not; where it stopped early
// (a Loop inside a loop or a LoopEnd without its Loop: nesting; the evaluator asked to end the
// run: aborted); whether the program ends inside a loop; how many rows it prepared from the
// first.
struct ProgramCheck {
    enum class Stop { None, Nesting, Aborted };
    bool passed = true;
    Stop stop = Stop::None;
    int row = -1;
    bool openLoop = false;
    int prepared = 0;
};
// Prepares the rows in order as the whole-program check does: the rows of a loop are inside it
// (the run prepares them again before each pass); it stops at a nesting error or an abort.
// CellPos rows move the cell position from row to row, but the check leaves env's as it was.
ProgramCheck prepareProgram(std::vector<ProgramRow>& rows, PrepareEnvironment& env);
// The check's messages in the order they are shown: a nesting error, then an open loop.
std::vector<std::string> programCheckMessages(const ProgramCheck& check);
// Number of placeholders: a "<" followed two characters later by ">", scanning from the
// second character to the one before the last.
int CountPlaceholders(const std::string& text);
bool ContainsAnyOf(const std::string& text, const std::string& characters);
bool InRange(double value, double low, double high);
