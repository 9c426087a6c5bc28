// The protocol leaving the program: the clipboard, *.log files and the run's autosave file.
#include "protocol/protocol_files.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "common/files.h"
#include "common/text.h"
#include "protocol/protocol_export.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/timers.h"

std::string logDir;
std::string tempDir;
int autosaveMinuteMs = 60000;

namespace {

struct AutosaveState {
    bool active = false;
    // A write failed and the user was told: once a run is enough.
    bool warned = false;
    int intervalMs = 0;
    std::string fileName;
    std::string path;
};

AutosaveState autosave;

// The text a *.log file or the autosave file holds for the protocol's current form.
std::string logText(bool titleLine)
{
    ProtocolRows rows = protocolRows();
    return protocol.builtMode == ModeTable ? tableLogText(rows, protocol.colCount) : listLogText(rows, titleLine);
}

void writeAutosave()
{
    if (!autosave.active)
        return;
    setControlText(WinProtocol, IdPtkFileField, "Autosave now");
    // Replaced whole, so that a crash during the write still leaves the last complete protocol.
    std::string reason;
    bool saved = writeFileAtomic(autosave.path + autosave.fileName, fileBytesOf(logText(false)), &reason);
    // The field names the file only while it holds the protocol.
    setControlText(WinProtocol, IdPtkFileField, saved ? autosave.fileName : "Autosave fehlgeschlagen");
    if (!saved && !autosave.warned) {
        autosave.warned = true;
        messageBox(WinProtocol, "Quirlo",
                   "Autosave-Datei konnte nicht geschrieben werden, das Protokoll ist dort nicht gesichert!\n" +
                       autosave.path + autosave.fileName + "\n" + reason,
                   IconWarning, ButtonsOk);
    }
    // The next write comes an interval after this one.
    addTimer(WinProtocol, TimerAutosave, autosave.intervalMs);
}

void startAutosave()
{
    if (!toggleState(WinSettings, IdSetAutosave))
        return;
    // Below one minute the timer would keep the program busy; above the top the interval overflows.
    int minutes = static_cast<int>(std::clamp<int64_t>(intValue(controlText(WinSettings, IdSetAutosaveInterval)), 1, 35000));
    setControlText(WinSettings, IdSetAutosaveInterval, std::to_string(minutes));
    autosave.intervalMs = minutes * autosaveMinuteMs;
    autosave.fileName = autosaveFileName(g_get_real_time() / G_USEC_PER_SEC);
    bool toTemp = !tempDir.empty() && controlEnabled(WinSettings, IdSetAutosaveTemp) &&
                  toggleState(WinSettings, IdSetAutosaveTemp);
    autosave.path = toTemp ? tempDir + "/" : logDir;
    // A program directory set up by hand may lack its Log/: the run's record must not be lost
    // for that.
    g_mkdir_with_parents(autosave.path.c_str(), 0755);
    std::string reason;
    if (writeFileAtomic(autosave.path + autosave.fileName, "", &reason)) {
        autosave.active = true;
        addTimer(WinProtocol, TimerAutosave, autosave.intervalMs);
    } else {
        messageBox(WinProtocol, "Quirlo",
                   "Autosave-Datei konnte nicht angelegt werden, das Protokoll wird nicht gesichert!\n" +
                       autosave.path + autosave.fileName + "\n" + reason,
                   IconWarning, ButtonsOk);
    }
    setControlText(WinProtocol, IdPtkFileField, autosave.fileName);
}

void stopAutosave()
{
    removeTimer(WinProtocol, TimerAutosave);
    autosave = AutosaveState{};
}

} // namespace

void exportProtocolToClipboard(int menuEntry)
{
    setToggleState(WinProtocol, IdPtkClipboard, true);
    std::string text;
    bool table = protocol.builtMode == ModeTable;
    const ExportLayout* chosen = exportLayoutOfMenu(menuEntry);
    if (chosen && chosen->table == table)
        text = table ? tableClipboardText(protocolRows(), chosen->layout, protocol.colCount)
                     : listClipboardText(protocolRows(), chosen->layout);
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text.c_str(), static_cast<gint>(text.size()));
    setToggleState(WinProtocol, IdPtkClipboard, false);
}

void addClipboardMenuItems()
{
    for (const ExportLayout& layout : exportLayouts)
        appendMenuItem(layout.table ? PopupPtkTableClipboard : PopupPtkListClipboard, layout.menuItem, layout.label,
                       layout.separatedAbove);
}

void exportBeforeMessageBox()
{
    bool table = protocol.builtMode == ModeTable;
    int choice = chosenIndex(WinSettings, table ? IdSetMsgBoxTable : IdSetMsgBoxList);
    if (const ExportLayout* chosen = exportLayoutOfChoice(table, choice))
        exportProtocolToClipboard(chosen->menuItem);
}

bool writeProtocolLog(const std::string& path, std::string* reason, const std::string& lastLine)
{
    std::string text = logText(true);
    if (!lastLine.empty())
        text += lastLine + "\n";
    return writeFileAtomic(path, fileBytesOf(text), reason);
}

void saveProtocolLog()
{
    if (rowCount(WinProtocol, IdPtkList) == 0)
        return;
    std::string path =
        fileDialog(WinProtocol, true, "Quirlo speichern: Log-Datei wählen", "Protokoll-Daten (*.log)|*.log", logDir);
    if (path.empty())
        return;
    // The extension first: the question must be about the file that will be replaced.
    if (!hasExtension(path, ".log"))
        path += ".log";
    if (fileExists(path) && messageBox(WinProtocol, "Quirlo", "Datei existiert bereits!\nÜberschreiben?",
                                       IconQuestion, ButtonsYesNo) != ResultYes)
        return;
    std::string reason;
    if (!writeProtocolLog(path, &reason)) {
        messageBox(WinProtocol, "Quirlo Protokoll-Daten:", notSavedText(path, reason), IconWarning, ButtonsOk);
        return;
    }
    setControlText(WinProtocol, IdPtkFileField, fileName(path));
    logDir = directoryOf(path);
}

void protocolAutosave(int action)
{
    switch (action) {
    // Only the start asks for the open window: a window closed during the run must not cost
    // the run its last write nor leave the timer running.
    case 0:
        if (windowVisible(WinProtocol))
            startAutosave();
        break;
    case 1: writeAutosave(); break;
    case 2: stopAutosave(); break;
    }
}
