// The editing operations of the two lists: context menus, keys and drops.
#include "lists/list_operations.h"

#include <gtk/gtk.h>

#include <vector>

#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

constexpr int columnParameters = 3;

// Puts the new row in place of the program row, keeping that row's parameters.
void replaceProgramRow(int row, const std::vector<std::string>& cells)
{
    std::string parameters = cellText(WinProgram, IdPrgList, row, columnParameters);
    for (int column = 0; column < 3; ++column)
        setCellText(WinProgram, IdPrgList, row, column, cells[column]);
    setCellText(WinProgram, IdPrgList, row, columnParameters, parameters);
    setCellText(WinProgram, IdPrgList, row, 4, "");
    colourProgramRows(row);
}

} // namespace

void clearList(int) {}
void deleteEntry(int) {}
void deleteSelection(int) {}
void duplicateEntry(int) {}
void duplicateEntries() {}
void duplicateEntryTimes(int) {}
void setEntryActive(bool) {}
void setEntriesActive(bool) {}
void setSelectedPauses(const std::string&) {}
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
        cells[columnParameters] = cellText(WinProgram, IdPrgList, selected.front(), columnParameters);
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
void moveDraggedRows(int) {}
bool startListDrag(int)
{
    return false;
}
void copyEntriesToClipboard() {}
void pasteEntriesFromClipboard() {}
void prepareProgramMenu(int) {}
