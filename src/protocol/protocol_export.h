// The protocol's text for the clipboard, *.log files and the autosave file. Free of any window.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// One row of the protocol control: its cells from column 0 on.
using ProtocolRow = std::vector<std::string>;

// The rows of the protocol control. A row is shared, not copied: the protocol a save writes
// costs a pointer per row to take, and the protocol goes on changing meanwhile.
class ProtocolRows {
public:
    ProtocolRows() = default;
    ProtocolRows(std::initializer_list<ProtocolRow> rows);
    void push_back(ProtocolRow row);
    void share(std::shared_ptr<const ProtocolRow> row) { rows.push_back(std::move(row)); }
    void append(const ProtocolRows& more) { rows.insert(rows.end(), more.rows.begin(), more.rows.end()); }
    size_t size() const { return rows.size(); }
    const ProtocolRow& operator[](size_t row) const { return *rows[row]; }

private:
    std::vector<std::shared_ptr<const ProtocolRow>> rows;
};

// The four list layouts, numbered as the "Listen-Protokoll:" choices.
enum ListLayout { ListStrings = 1, ListNumbers = 2, QueriesAndStrings = 3, QueriesAndNumbers = 4 };
// The four table layouts, numbered as the "Tabellen-Protokoll:" choices.
enum TableLayout { TableWithFrame = 1, TableDataOnly = 2, TableWithHeadings = 3, TableWithRowNumbers = 4 };

// The clipboard layouts of both forms, in the order of their menu items and of the message-box
// choices; one row each.
struct ExportLayout {
    int menuItem; // the item of the protocol window's clipboard menu
    bool table;   // a layout of the table form, else of the list form
    int layout;   // the ListLayout or TableLayout
    const char* label;
    bool separatedAbove = false; // a separator stands above it in the menu
};
extern const std::vector<ExportLayout> exportLayouts;
// The layout of a clipboard menu item; nullptr for another item.
const ExportLayout* exportLayoutOfMenu(int menuItem);
// The layout of a form's message-box choice (0 "Nicht sichern", then the layouts); nullptr for
// none.
const ExportLayout* exportLayoutOfChoice(bool table, int choice);
// The message-box choices of a form: "Nicht sichern" and the labels of its layouts.
std::vector<std::string> exportChoices(bool table);

// A response cell as a number (cellNumber's value), formatted as the protocol formats numbers.
std::string cellNumberText(const std::string& cell);

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
