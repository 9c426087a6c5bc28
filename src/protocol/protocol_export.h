// The protocol's text for the clipboard, *.log files and the autosave file. Free of any window.
#pragma once

#include <string>
#include <vector>

// The rows of the protocol control, each its cells from column 0 on.
using ProtocolRows = std::vector<std::vector<std::string>>;

// The four list layouts, numbered as the "Listen-Protokoll:" choices.
enum ListLayout { ListStrings = 1, ListNumbers = 2, QueriesAndStrings = 3, QueriesAndNumbers = 4 };
// The four table layouts, numbered as the "Tabellen-Protokoll:" choices.
enum TableLayout { TableWithFrame = 1, TableDataOnly = 2, TableWithHeadings = 3, TableWithRowNumbers = 4 };

// A response cell as a number: blanks removed at both ends, the leading decimal number ("," is
// no decimal separator here), formatted as the protocol formats numbers; 0 without a number.
std::string cellNumber(const std::string& cell);

// The clipboard text of the list form: from the "Query:" and "Return:" rows only, TAB between
// values and CR LF after every line.
std::string listClipboardText(const ProtocolRows& rows, int layout);
// The clipboard text of the table form: the layout's first row and column to column colCount.
std::string tableClipboardText(const ProtocolRows& rows, int layout, int colCount);

// The *.log text of the list form (with the title line when asked) and of the table form;
// lines end with LF.
std::string listLogText(const ProtocolRows& rows, bool titleLine);
std::string tableLogText(const ProtocolRows& rows, int colCount);

// "QZ" + year-month-day_hour-minute-second + ".log" of the local time given in seconds since
// the epoch.
std::string autosaveFileName(long long unixSeconds);
