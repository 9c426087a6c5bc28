// The protocol's text for the clipboard, *.log files and the autosave file.
#include "protocol/protocol_export.h"

#include <glib.h>

#include <algorithm>

#include "common/text.h"
#include "protocol/protocol_state.h"
#include "ui/ids.h"

namespace {

const std::string& cellOf(const std::vector<std::string>& row, size_t column)
{
    static const std::string empty;
    return column < row.size() ? row[column] : empty;
}

// Appends a cell as the exports write it: a TAB or a line end that a device sent inside an
// answer (a CR before an LF terminator, say) would split the cell into columns or lines, so
// each becomes a blank.
void appendCell(std::string& text, const std::string& cell)
{
    size_t start = text.size();
    text += cell;
    std::replace_if(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                    [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
}

std::string tableText(const ProtocolRows& rows, size_t firstRow, size_t firstColumn, int colCount, const char* end)
{
    std::string text;
    for (size_t row = firstRow; row < rows.size(); ++row) {
        for (size_t column = firstColumn; column <= static_cast<size_t>(std::max(colCount, 0)); ++column) {
            if (column > firstColumn)
                text += '\t';
            appendCell(text, cellOf(rows[row], column));
        }
        text += end;
    }
    return text;
}

} // namespace

ProtocolRows::ProtocolRows(std::initializer_list<ProtocolRow> list)
{
    for (const ProtocolRow& row : list)
        push_back(row);
}

void ProtocolRows::push_back(ProtocolRow row)
{
    rows.push_back(std::make_shared<const ProtocolRow>(std::move(row)));
}

const std::vector<ExportLayout> exportLayouts = {
    {MenuPtkStrings, false, ListStrings, "Werte als Strings (kplt.)"},
    {MenuPtkNumbers, false, ListNumbers, "Werte als Zahlen"},
    {MenuPtkQueryStrings, false, QueriesAndStrings, "Abfrage und Strings (kplt.)", true},
    {MenuPtkQueryNumbers, false, QueriesAndNumbers, "Abfrage und Zahlenwerte"},
    {MenuPtkTableFrame, true, TableWithFrame, "Tabelle, mit Rahmendaten"},
    {MenuPtkTableData, true, TableDataOnly, "Tabelle, nur Datenbereich"},
    {MenuPtkTableTitles, true, TableWithHeadings, "Tabellendaten + Überschrift"},
    {MenuPtkTableRowNumbers, true, TableWithRowNumbers, "Tabellendaten + Zeilennum."},
};

const ExportLayout* exportLayoutOfMenu(int menuItem)
{
    for (const ExportLayout& layout : exportLayouts)
        if (layout.menuItem == menuItem)
            return &layout;
    return nullptr;
}

const ExportLayout* exportLayoutOfChoice(bool table, int choice)
{
    int position = 0;
    for (const ExportLayout& layout : exportLayouts)
        if (layout.table == table && ++position == choice)
            return &layout;
    return nullptr;
}

std::vector<std::string> exportChoices(bool table)
{
    std::vector<std::string> choices = {"Nicht sichern"};
    for (const ExportLayout& layout : exportLayouts)
        if (layout.table == table)
            choices.push_back(layout.label);
    return choices;
}

std::string cellNumberText(const std::string& cell)
{
    return formatDecimal(cellNumber(cell).value);
}

std::string listClipboardText(const ProtocolRows& rows, int layout)
{
    bool numbers = layout == ListNumbers || layout == QueriesAndNumbers;
    bool queries = layout == QueriesAndStrings || layout == QueriesAndNumbers;
    std::string text;
    for (size_t row = 0; row < rows.size(); ++row) {
        const std::string& type = cellOf(rows[row], 0);
        const std::string& value = cellOf(rows[row], 1);
        if (type == "Query:" && queries) {
            appendCell(text, value);
            text += '\t';
        } else if (type == "Return:") {
            appendCell(text, numbers ? cellNumberText(value) : value);
            text += "\r\n";
        }
    }
    return text;
}

std::string tableClipboardText(const ProtocolRows& rows, int layout, int colCount)
{
    size_t firstRow = layout == TableWithFrame || layout == TableWithHeadings ? 0 : 1;
    size_t firstColumn = layout == TableWithFrame || layout == TableWithRowNumbers ? 0 : 1;
    return tableText(rows, firstRow, firstColumn, colCount, "\r\n");
}

std::string listLogText(const ProtocolRows& rows, bool titleLine)
{
    std::string text = titleLine ? "Typ\tSenden / Empfangen\tPause\tFehlercode / Steuerkommando:\n" : "";
    for (size_t row = 0; row < rows.size(); ++row) {
        for (size_t column = 0; column < 4; ++column) {
            appendCell(text, cellOf(rows[row], column));
            text += column < 3 ? '\t' : '\n';
        }
    }
    return text;
}

std::string tableLogText(const ProtocolRows& rows, int colCount)
{
    return tableText(rows, 0, 0, colCount, "\n");
}

std::string autosaveFileName(long long unixSeconds)
{
    GDateTime* time = g_date_time_new_from_unix_local(unixSeconds);
    gchar* text = time ? g_date_time_format(time, "QZ%Y-%m-%d_%H-%M-%S.log") : nullptr;
    std::string name(text ? text : "QZ.log");
    g_free(text);
    if (time)
        g_date_time_unref(time);
    return name;
}
