// The line preparation of the program window's rows.
#include "run/line_checker.h"

#include "common/line_types.h"
#include "common/text.h"
#include "lists/list_windows.h"
#include "protocol/protocol_state.h"
#include "run/expression_messages.h"
#include "run/line_preparation.h"
#include "run/run_state.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"

namespace {

void selectOnly(int row)
{
    clearSelection(WinProgram, IdPrgList);
    selectRow(WinProgram, IdPrgList, row, true);
}

void writeRow(int row, const ProgramRow& cells)
{
    setCellText(WinProgram, IdPrgList, row, ColumnPause, cells.pause);
    setCellText(WinProgram, IdPrgList, row, ColumnParameters, cells.parameters);
    setCellText(WinProgram, IdPrgList, row, ColumnSendString, cells.sendString);
}

PrepareEnvironment environment(bool quiet, bool singleRow)
{
    PrepareEnvironment env;
    env.quiet = quiet;
    env.singleRow = singleRow;
    env.loopActive = loopState.loopActive;
    env.loopCounter = loopState.loopCounter;
    env.cellRow = protocol.cellRow;
    env.cellCol = protocol.cellCol;
    env.date = localTimeText("%d.%m.%Y");
    env.time = localTimeText("%H:%M:%S");
    env.evaluate = EvaluateExpression;
    env.aborted = [] { return runState.abortRequested; };
    if (currentPort >= 0 && currentPort < static_cast<PortIndex>(PortTable.size())) {
        env.sendAsIs = PortTable[currentPort].settings.sendAsIs != 0;
        env.readAtOnce = PortTable[currentPort].settings.readAtOnce != 0;
    }
    env.notify = [quiet](const PrepareIssue& issue) {
        selectOnly(issue.row);
        if (issue.notice == PrepareNotice::EmptyParameter || !quiet)
            messageBox(WinProgram, "Quirlo-Warnung", prepareNoticeText(issue), IconWarning, ButtonsOk);
    };
    return env;
}

} // namespace

ProgramRow programRow(int row)
{
    auto cell = [row](int column) { return cellText(WinProgram, IdPrgList, row, column); };
    return {cell(ColumnType), cell(ColumnCommand), cell(ColumnPause), cell(ColumnParameters),
            cell(ColumnSendString)};
}

std::vector<ProgramRow> programRows()
{
    std::vector<ProgramRow> rows;
    for (int row = 0; row < rowCount(WinProgram, IdPrgList); ++row)
        rows.push_back(programRow(row));
    return rows;
}

int PrepareLines(bool quiet, int row)
{
    if (!windowExists(WinProgram))
        return 0;
    int rows = rowCount(WinProgram, IdPrgList);
    bool whole = row == -1;
    if (!whole && (row < 0 || row >= rows))
        return 0;
    if (whole)
        runState.abortRequested = false;
    PrepareEnvironment env = environment(quiet, !whole);
    bool passed = true;
    if (whole) {
        std::vector<ProgramRow> program = programRows();
        ProgramCheck check = prepareProgram(program, env);
        for (int index = 0; index < check.prepared; ++index)
            writeRow(index, program[index]);
        if (check.stop != ProgramCheck::Stop::None)
            selectOnly(check.row);
        for (const std::string& message : programCheckMessages(check))
            messageBox(WinProgram, "Quirlo - Kommandocheck", message, IconWarning, ButtonsOk);
        passed = check.passed;
    } else {
        ProgramRow cells = programRow(row);
        passed = prepareRow(cells, row, env);
        writeRow(row, cells);
        if (runState.abortRequested) {
            selectOnly(row);
            passed = false;
        }
        // The check evaluates CellPos rows without moving the table position.
        protocol.cellRow = env.cellRow;
        protocol.cellCol = env.cellCol;
    }
    colourProgramRows(whole ? -1 : row);
    return passed ? 1 : 0;
}
