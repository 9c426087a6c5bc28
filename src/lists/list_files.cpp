// Loading and saving command lists (*.cml) and programs (*.run).
#include "lists/list_files.h"

#include <gtk/gtk.h>

#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "lists/list_format.h"
#include "lists/list_windows.h"
#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/resources.h"
#include "ui/windows.h"

std::string commandsDir;
std::string programsDir;
std::string programInfo;

namespace {

struct ListKind {
    int window;
    int list;
    int setField;
    int columns;
    const char* loadTitle;
    const char* loadFilter;
    const char* saveTitle;
    const char* saveFilter;
    const char* extension;
    const char* replaceQuestion;
    const char* correctedMessage;
    const char* saveErrorTitle;
    std::string* dir;
};

const ListKind& kindOf(int list)
{
    static const ListKind commandList = {
        WinCommandList, IdCmdList, IdCmdSetField, 4, "Quirlo laden: Kommandodatei wählen",
        "Kommandoliste (*.cml)|*.cml", "Quirlo speichern: Kommandodatei wählen", "Kommandoliste (*.cml)|*.cml", ".cml",
        "Kommandolisting im Fenster ersetzen?\n'Nein' lädt hinzu.",
        "Kommandoliste:\nPortbefehle wurden korrigiert\nKommandoliste neu speichern!", "Quirlo Kommandoliste:",
        &commandsDir};
    static const ListKind program = {WinProgram,
                                     IdPrgList,
                                     IdPrgSetField,
                                     5,
                                     "Quirlo laden: Programm wählen",
                                     "Ablaufliste (*.run)|*.run",
                                     "Quirlo speichern: Programm wählen",
                                     "Programm (*.run)|*.run",
                                     ".run",
                                     "Programm ersetzen?\n'Nein' lädt hinzu.",
                                     "Programm:\nPortbefehle wurden korrigiert\nProgramm neu speichern!",
                                     "Quirlo Programm:",
                                     &programsDir};
    return list == IdCmdList ? commandList : program;
}

std::vector<ListRow> readRows(const ListKind& kind)
{
    std::vector<ListRow> rows;
    for (int row = 0; row < rowCount(kind.window, kind.list); ++row) {
        ListRow entry;
        for (int column = 0; column < kind.columns; ++column)
            entry.cells.push_back(cellText(kind.window, kind.list, row, column));
        entry.data = rowData(kind.window, kind.list, row);
        rows.push_back(entry);
    }
    return rows;
}

// The program info button shows whether there is info, and the info editor holds it.
void showProgramInfo(const std::string& info)
{
    if (GtkWidget* button = controlWidget(WinProgram, IdPrgInfo))
        gtk_button_set_image(GTK_BUTTON(button), quirloImageWidget(info.empty() ? 33 : 34));
    std::string lines = info;
    for (char& c : lines) {
        if (c == '\t')
            c = '\n';
    }
    setControlText(WinProgramInfo, IdInfoEditor, lines);
}

} // namespace

int unsavedChangesCheck(int list)
{
    int parent = list == IdCmdList ? WinCommandList
                 : list == IdPrgList ? WinProgram
                 : list == IdPtkList ? WinProtocol
                                     : WinMain;
    if (!toggleState(WinSettings, IdSetWarnUnsaved))
        return ResultYes;
    const std::string heading = "Folgende veränderte Liste(n) sind ungesichert:\n";
    std::string text = heading;
    if (listChanged(IdCmdList) && (list == IdCmdList || list == -1))
        text += "- Kommandolisting\n";
    if (listChanged(IdPrgList) && (list == IdPrgList || list == -1))
        text += "- Programm\n";
    if (text == heading)
        return ResultYes;
    if (list == -1)
        return messageBox(WinMain, "Quirlo", text, IconInfo, ButtonsOk);
    return messageBox(parent, "Quirlo", text + "Überschreiben?", IconQuestion, ButtonsYesNo);
}

void loadList(int list, bool askFile, const std::string& file)
{
    const ListKind& kind = kindOf(list);
    if (!windowExists(kind.window) || unsavedChangesCheck(list) == ResultNo)
        return;
    bool wasEmpty = rowCount(kind.window, list) == 0;
    bool replace = true;
    if (!wasEmpty) {
        int answer = messageBox(kind.window, "Quirlo", kind.replaceQuestion, IconQuestion, ButtonsYesNo);
        if (answer == ResultClosed)
            return;
        replace = answer == ResultYes;
    }
    std::string path = askFile ? fileDialog(kind.window, false, kind.loadTitle, kind.loadFilter, *kind.dir) : file;
    if (path.empty())
        return;
    // The file first: a file that cannot be read must not cost the list it would replace.
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        messageBox(kind.window, "Quirlo", "Datei konnte nicht geladen werden!\n" + path, IconWarning, ButtonsOk);
        return;
    }
    std::string text = fileBytesToUtf8(bytes);
    std::vector<ListRow> rows;
    ListReading reading;
    if (list == IdPrgList) {
        ProgramText program = parseProgram(text, &reading);
        rows = std::move(program.rows);
        programInfo = program.info;
    } else {
        rows = parseCommandList(text, &reading);
    }
    bool corrected = correctPortKeywords(rows);
    if (replace)
        removeAllRows(kind.window, list);
    if (list == IdCmdList && commandListSorted())
        restoreUnsortedOrder();
    {
        BulkListChange bulk(kind.window, list);
        for (const ListRow& row : rows)
            insertRow(kind.window, list, -1, row.cells, row.data);
    }
    setControlText(kind.window, kind.setField, fileName(path));
    lastListFile(list) = path;
    if (list == IdCmdList) {
        setControlText(WinCommandList, IdCmdSearchField, "");
    } else {
        colourProgramRows(-1);
        showProgramInfo(programInfo);
    }
    if (corrected)
        messageBox(kind.window, "Quirlo", kind.correctedMessage, IconInfo, ButtonsOk);
    for (const std::string& warning : listReadingWarnings(reading))
        messageBox(kind.window, "Quirlo", warning, IconWarning, ButtonsOk);
    if (!wasEmpty)
        setTitleMarker(list, !replace);
    if (list == IdPrgList && corrected && !replace)
        setTitleMarker(list, true);
    if (list == IdCmdList && commandListSorted())
        restoreUnsortedOrder();
    if (toggleState(WinSettings, IdSetAutoColumnWidth))
        autoSizeColumns(kind.window, list);
    *kind.dir = directoryOf(path);
}

void saveList(int list)
{
    const ListKind& kind = kindOf(list);
    if (!windowExists(kind.window) || rowCount(kind.window, list) == 0)
        return;
    std::string path = fileDialog(kind.window, true, kind.saveTitle, kind.saveFilter,
                                  *kind.dir + controlText(kind.window, kind.setField));
    if (path.empty())
        return;
    // The extension first: the question must be about the file that will be replaced.
    if (!hasExtension(path, kind.extension))
        path += kind.extension;
    if (fileExists(path) && messageBox(kind.window, "Quirlo", "Datei existiert bereits!\nÜberschreiben?",
                                       IconQuestion, ButtonsYesNo) != ResultYes)
        return;
    if (list == IdCmdList && commandListSorted())
        restoreUnsortedOrder();
    std::vector<ListRow> rows = readRows(kind);
    std::string text = list == IdPrgList ? programText(rows, programInfo) : commandListText(rows);
    std::string reason;
    if (!writeFileAtomic(path, fileBytesOf(text), &reason)) {
        messageBox(kind.window, kind.saveErrorTitle, notSavedText(path, reason), IconWarning, ButtonsOk);
        return;
    }
    setTitleMarker(list, false);
    setControlText(kind.window, kind.setField, fileName(path));
    lastListFile(list) = path;
    *kind.dir = directoryOf(path);
}

std::string& lastListFile(int list)
{
    static std::string commands, program;
    return list == IdCmdList ? commands : program;
}

IniGroup lastFilesIniGroup()
{
    auto file = [](const char* key, int list) -> IniKey {
        return {key, [list] { return lastListFile(list); },
                [list](const std::string& path) { lastListFile(list) = path; }, std::string()};
    };
    IniGroup group("LASTFILES", {file("CommandFile", IdCmdList), file("ProgramFile", IdPrgList)});
    // A group of its own, written only when there is something in it: files of the old form
    // stay as they were.
    group.written = [] { return !lastListFile(IdCmdList).empty() || !lastListFile(IdPrgList).empty(); };
    return group;
}
