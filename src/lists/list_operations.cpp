// The editing operations of the two lists: context menus, keys and drops.
#include "lists/list_operations.h"

#include <gtk/gtk.h>

#include <vector>

#include "common/line_types.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "lists/list_format.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/windows.h"

namespace {

std::vector<std::string> programCells(int row)
{
    std::vector<std::string> cells;
    for (int column = 0; column < 5; ++column)
        cells.push_back(cellText(WinProgram, IdPrgList, row, column));
    return cells;
}

// Appends a copy of the program row; a deactivated entry's copy keeps the saved type.
void appendProgramCopy(int row)
{
    colourProgramRows(insertRow(WinProgram, IdPrgList, -1, programCells(row), rowData(WinProgram, IdPrgList, row)));
}

// Deactivates a row (keeping its type as row data) or activates it again; false when the row
// stays as it was: a row of type 11 is not deactivated again, which would lose its saved type,
// and a true comment or an active row is not activated.
bool setRowActive(int row, bool active)
{
    std::string type = cellText(WinProgram, IdPrgList, row, ColumnType);
    bool deactivated = intValue(type) == TypeComment;
    if (!active && !deactivated) {
        setRowData(WinProgram, IdPrgList, row, intValue(type));
        setCellText(WinProgram, IdPrgList, row, ColumnType, std::to_string(TypeComment));
    } else if (active && deactivated &&
               cellText(WinProgram, IdPrgList, row, ColumnCommand).find("Comment") == std::string::npos) {
        setCellText(WinProgram, IdPrgList, row, ColumnType, std::to_string(rowData(WinProgram, IdPrgList, row)));
        setRowData(WinProgram, IdPrgList, row, 0);
    } else {
        return false;
    }
    colourProgramRows(row);
    return true;
}

// Puts the new row in place of the program row, keeping that row's parameters.
void replaceProgramRow(int row, const std::vector<std::string>& cells)
{
    std::string parameters = cellText(WinProgram, IdPrgList, row, ColumnParameters);
    for (int column = 0; column < 3; ++column)
        setCellText(WinProgram, IdPrgList, row, column, cells[column]);
    setCellText(WinProgram, IdPrgList, row, ColumnParameters, parameters);
    setCellText(WinProgram, IdPrgList, row, ColumnSendString, "");
    colourProgramRows(row);
}

} // namespace

void clearList(int list)
{
    if (unsavedChangesCheck(list) == ResultNo)
        return;
    bool commands = list == IdCmdList;
    int window = commands ? WinCommandList : WinProgram;
    if (messageBox(window, "Quirlo", std::string("Komplette ") + (commands ? "Kommando-" : "Programm-") + "Liste leeren?",
                   IconQuestion, ButtonsYesNo) != ResultYes)
        return;
    removeAllRows(window, list);
    setTitleMarker(list, false);
    setControlText(window, commands ? IdCmdSetField : IdPrgSetField, "");
    if (commands) {
        restoreUnsortedOrder();
    } else {
        programInfo.clear();
        setControlText(WinProgramInfo, IdInfoEditor, "");
    }
}

void deleteEntry(int list)
{
    int window = list == IdCmdList ? WinCommandList : WinProgram;
    int row = selectedRow(window, list);
    if (row == -1)
        return;
    removeRow(window, list, row);
    setTitleMarker(list, true);
}

void deleteSelection(int list)
{
    int window = list == IdCmdList ? WinCommandList : WinProgram;
    std::vector<int> rows = selectedRows(window, list);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        removeRow(window, list, *row);
    if (!rows.empty())
        setTitleMarker(list, true);
}

void duplicateEntry(int list)
{
    int window = list == IdCmdList ? WinCommandList : WinProgram;
    if (selectedRow(window, list) == -1)
        return;
    // The editor takes the entry's fields; without a selected row, "Okay" appends the copy.
    openEditor(list);
    clearSelection(window, list);
    setControlText(window, list == IdCmdList ? IdCmdOkay : IdPrgOkay, "Neu");
}

void duplicateEntryTimes(int count)
{
    int row = selectedRow(WinProgram, IdPrgList);
    if (row == -1)
        return;
    for (int copy = 0; copy < count; ++copy)
        appendProgramCopy(row);
    setTitleMarker(IdPrgList, true);
}

void duplicateEntries()
{
    std::vector<int> rows = selectedRows(WinProgram, IdPrgList);
    for (int row : rows)
        appendProgramCopy(row);
    if (!rows.empty())
        setTitleMarker(IdPrgList, true);
}

void setEntryActive(bool active)
{
    int row = selectedRow(WinProgram, IdPrgList);
    if (row != -1 && setRowActive(row, active))
        setTitleMarker(IdPrgList, true);
}

void setEntriesActive(bool active)
{
    bool changed = false;
    for (int row : selectedRows(WinProgram, IdPrgList))
        changed = setRowActive(row, active) || changed;
    if (changed)
        setTitleMarker(IdPrgList, true);
}

void setSelectedPauses(const std::string& pause)
{
    std::vector<int> rows = selectedRows(WinProgram, IdPrgList);
    for (int row : rows)
        setCellText(WinProgram, IdPrgList, row, ColumnPause, pause);
    if (!rows.empty())
        setTitleMarker(IdPrgList, true);
}

void copyCommandToProgram(int dropAction)
{
    int source = selectedRow(WinCommandList, IdCmdList);
    if (source == -1)
        return;
    if (!windowVisible(WinProgram))
        showOrToggleWindow(WinProgram);
    std::vector<std::string> cells;
    for (int column = 0; column < 3; ++column)
        cells.push_back(cellText(WinCommandList, IdCmdList, source, column));
    cells.insert(cells.end(), {"", ""});
    std::vector<int> selected = selectedRows(WinProgram, IdPrgList);
    bool fromMenu = dropAction == 0;
    if (!selected.empty() && fromMenu &&
        messageBox(WinProgram, "Quirlo-Kommandoliste", "Selektierte(n) Eintrag/Einträge im \nAblauffenster überschreiben?",
                   IconQuestion, ButtonsYesNo) == ResultYes) {
        for (int row : selected)
            replaceProgramRow(row, cells);
    } else if (!selected.empty() && dropAction == GDK_ACTION_MOVE) {
        cells[ColumnParameters] = cellText(WinProgram, IdPrgList, selected.front(), ColumnParameters);
        int row = insertRow(WinProgram, IdPrgList, selected.front(), cells);
        colourProgramRows(row);
        clearSelection(WinProgram, IdPrgList);
        selectRow(WinProgram, IdPrgList, row, false);
    } else if (!selected.empty() && dropAction == GDK_ACTION_LINK) {
        replaceProgramRow(selected.front(), cells);
        clearSelection(WinProgram, IdPrgList);
        selectRow(WinProgram, IdPrgList, selected.front(), false);
    } else {
        colourProgramRows(insertRow(WinProgram, IdPrgList, -1, cells));
    }
    setTitleMarker(IdPrgList, true);
}
void moveDraggedRows(int list, int source, int selectedCount, int dropRow)
{
    int window = list == IdCmdList ? WinCommandList : WinProgram;
    int rows = rowCount(window, list);
    if (source < 0 || source >= rows)
        return;
    int target = dropRow < 0 || dropRow > rows ? rows : dropRow;
    // Dropped onto its own place: nothing moves, nothing changes.
    if (target == source || target == source + 1)
        return;
    std::vector<std::string> cells;
    for (int column = 0; column < columnCount(window, list); ++column)
        cells.push_back(cellText(window, list, source, column));
    // A deactivated entry keeps its saved type when it moves.
    int moved = insertRow(window, list, target, cells, rowData(window, list, source));
    removeRow(window, list, source >= moved ? source + 1 : source);
    if (source < moved)
        --moved;
    clearSelection(window, list);
    selectRow(window, list, moved, false);
    if (list == IdPrgList)
        colourProgramRows(moved);
    setTitleMarker(list, true);
    if (list == IdPrgList && selectedCount > 1)
        messageBox(WinProgram, "Quirlo", "Es wurde nur der oberste selektierte Eintrag verschoben!", IconInfo, ButtonsOk);
}

bool startListDrag(int)
{
    // The toolkit has started the drag already when the list reports its beginning.
    return true;
}

void copyEntriesToClipboard()
{
    std::vector<ListRow> entries;
    for (int row : selectedRows(WinProgram, IdPrgList))
        entries.push_back({programCells(row), rowData(WinProgram, IdPrgList, row)});
    if (entries.empty())
        return;
    std::string text = runListText(entries);
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text.c_str(), static_cast<gint>(text.size()));
}

void pasteEntriesFromClipboard()
{
    gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    std::vector<ListRow> entries;
    bool runList = text && parseRunList(text, entries);
    g_free(text);
    if (!runList) {
        messageBox(WinProgram, "Quirlo", "Im Clipboard befindet sich kein Programm-Listing.", IconWarning, ButtonsOk);
        return;
    }
    int selected = selectedRow(WinProgram, IdPrgList);
    {
        BulkListChange bulk(WinProgram, IdPrgList);
        for (size_t k = 0; k < entries.size(); ++k)
            insertRow(WinProgram, IdPrgList, selected == -1 ? -1 : selected + static_cast<int>(k), entries[k].cells,
                      entries[k].data);
    }
    colourProgramRows(-1);
    setTitleMarker(IdPrgList, true);
}

void prepareProgramMenu(int menu)
{
    int row = selectedRow(WinProgram, IdPrgList);
    if (row == -1)
        return;
    bool deactivated = intValue(cellText(WinProgram, IdPrgList, row, ColumnType)) == TypeComment;
    bool trueComment = cellText(WinProgram, IdPrgList, row, ColumnCommand).find("Comment") != std::string::npos;
    bool many = menu == PopupPrgManyRows;
    setMenuItemEnabled(menu, many ? MenuPrgDeactivateMany : MenuPrgDeactivate, !deactivated);
    setMenuItemEnabled(menu, many ? MenuPrgActivateMany : MenuPrgActivate, deactivated && !trueComment);
}
