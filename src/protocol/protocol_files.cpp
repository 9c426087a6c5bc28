// The protocol leaving the program: the clipboard, *.log files and the run's autosave file.
#include "protocol/protocol_files.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <memory>

#include "common/background_saves.h"
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

// The autosave file as the save thread knows it; only the save thread touches it once the
// autosave has started.
struct AutosaveFile {
    std::string path;
    // The file's start that holds rows which have left the protocol's list; each write keeps it.
    int64_t keptBytes = 0;
    // Rows that left the list but are not in the file yet, because a write failed.
    std::string unwritten;
};

struct AutosaveState {
    bool active = false;
    // Counts the autosaves, so that a write's outcome is told to its own.
    int session = 0;
    // Writes on the save thread, and whether rows that left the list wait for the next one.
    int writing = 0;
    bool writeAgain = false;
    // Started for a monitored port rather than a run.
    bool byMonitor = false;
    // A write failed and the user was told: once a run is enough.
    bool warned = false;
    int intervalMs = 0;
    std::string fileName;
    std::string path;
    std::shared_ptr<AutosaveFile> file;
    // Rows that left the protocol's list since the last write.
    ProtocolRows movedOut;
};

AutosaveState autosave;

// The protocol's current form, for a text built on the save thread.
struct LogForm {
    bool table = protocol.builtMode == ModeTable;
    int colCount = protocol.colCount;
};

// The text a *.log file or the autosave file holds for the protocol's form.
std::string logText(const ProtocolRows& rows, LogForm form, bool titleLine)
{
    return form.table ? tableLogText(rows, form.colCount) : listLogText(rows, titleLine);
}

// A *.log file of the rows, with a last line after them when one is given.
bool writeLogFile(const std::string& path, const ProtocolRows& rows, LogForm form, const std::string& lastLine,
                  std::string* reason)
{
    std::string text = logText(rows, form, true);
    if (!lastLine.empty())
        text += lastLine + "\n";
    return writeFileAtomic(path, fileBytesOf(text), reason);
}

// The save thread's part of an autosave write: rows that left the list join the file's kept
// start, the protocol's rows follow.
SaveOutcome writeAutosaveFile(AutosaveFile& file, const ProtocolRows& movedOut, const ProtocolRows& rows,
                              LogForm form)
{
    SaveOutcome outcome;
    file.unwritten += fileBytesOf(logText(movedOut, form, false));
    std::string tail = file.unwritten + fileBytesOf(logText(rows, form, false));
    outcome.saved = replaceFileKeepingStart(file.path, file.keptBytes, tail, &outcome.reason);
    if (outcome.saved) {
        file.keptBytes += static_cast<int64_t>(file.unwritten.size());
        file.unwritten.clear();
    }
    return outcome;
}

void autosaveWritten(SaveOutcome& outcome, const std::string& fileName, const std::string& path)
{
    // The field names the file only while it holds the protocol.
    setControlText(WinProtocol, IdPtkFileField, outcome.saved ? fileName : "Autosave fehlgeschlagen");
    if (!outcome.saved && !autosave.warned) {
        autosave.warned = true;
        messageBox(WinProtocol, "Quirlo",
                   "Autosave-Datei konnte nicht geschrieben werden, das Protokoll ist dort nicht gesichert!\n" + path +
                       fileName + "\n" + outcome.reason,
                   IconWarning, ButtonsOk);
    }
}

void writeAutosave(bool whenNoneRuns = false);

void autosaveDone(SaveOutcome& outcome, int session, const std::string& fileName, const std::string& path)
{
    // The last write of an autosave that has ended may come after the next one started, whose
    // file the field names then.
    bool own = session == autosave.session;
    if (own || controlText(WinProtocol, IdPtkFileField) == "Autosave now")
        autosaveWritten(outcome, fileName, path);
    if (!own || --autosave.writing > 0 || !autosave.writeAgain)
        return;
    autosave.writeAgain = false;
    writeAutosave(true);
}

// whenNoneRuns: rows that left the list wait for the write under way to end, so that a flood
// does not pile up writes, each holding the whole protocol.
void writeAutosave(bool whenNoneRuns)
{
    if (!autosave.active)
        return;
    if (whenNoneRuns && autosave.writing > 0) {
        autosave.writeAgain = true;
        return;
    }
    ++autosave.writing;
    setControlText(WinProtocol, IdPtkFileField, "Autosave now");
    // Replaced whole (after the rows the list gave up, if it did), so that a crash during the
    // write still leaves the last complete protocol; built and written on the save thread from
    // the rows as they are now.
    inBackground([file = autosave.file, movedOut = std::move(autosave.movedOut), rows = protocolRows(),
                  form = LogForm{}] { return writeAutosaveFile(*file, movedOut, rows, form); },
                 [session = autosave.session, fileName = autosave.fileName, path = autosave.path](SaveOutcome& outcome) {
                     autosaveDone(outcome, session, fileName, path);
                 });
    autosave.movedOut = ProtocolRows{};
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
        autosave.file = std::make_shared<AutosaveFile>();
        autosave.file->path = autosave.path + autosave.fileName;
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
    int session = autosave.session + 1;
    autosave = AutosaveState{};
    autosave.session = session;
}

} // namespace

void exportProtocolToClipboard(int menuEntry)
{
    // The button stays down until the text, built on the save thread, is on the clipboard.
    setToggleState(WinProtocol, IdPtkClipboard, true);
    const ExportLayout* chosen = exportLayoutOfMenu(menuEntry);
    LogForm form;
    inBackground(
        [chosen, form, rows = protocolRows()] {
            SaveOutcome outcome;
            if (chosen && chosen->table == form.table)
                outcome.text = form.table ? tableClipboardText(rows, chosen->layout, form.colCount)
                                          : listClipboardText(rows, chosen->layout);
            return outcome;
        },
        [](SaveOutcome& outcome) {
            gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), outcome.text.c_str(),
                                   static_cast<gint>(outcome.text.size()));
            setToggleState(WinProtocol, IdPtkClipboard, false);
        });
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
    return writeLogFile(path, protocolRows(), LogForm{}, lastLine, reason);
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
    inBackground(
        [path, rows = protocolRows(), form = LogForm{}] {
            SaveOutcome outcome;
            outcome.saved = writeLogFile(path, rows, form, "", &outcome.reason);
            return outcome;
        },
        [path](SaveOutcome& outcome) {
            if (outcome.saved) {
                setControlText(WinProtocol, IdPtkFileField, fileName(path));
                logDir = directoryOf(path);
            } else {
                messageBox(WinProtocol, "Quirlo Protokoll-Daten:", notSavedText(path, outcome.reason), IconWarning,
                           ButtonsOk);
            }
        });
}

void protocolAutosave(int action)
{
    switch (action) {
    // Only the start asks for the open window: a window closed during the run must not cost
    // the run its last write nor leave the timer running. A run's file follows a monitor's.
    case 0:
        monitorAutosave(false);
        if (windowVisible(WinProtocol))
            startAutosave();
        break;
    case 1: writeAutosave(); break;
    case 2: stopAutosave(); break;
    }
}

void monitorAutosave(bool on)
{
    if (on && !autosave.active && windowVisible(WinProtocol)) {
        startAutosave();
        autosave.byMonitor = autosave.active;
    } else if (!on && autosave.active && autosave.byMonitor) {
        writeAutosave();
        stopAutosave();
    }
}

bool autosaveMovedOut(const ProtocolRows& rows)
{
    if (!autosave.active)
        return false;
    autosave.movedOut.append(rows);
    // Each write takes the whole list along: rows that left it go in writes of a twentieth of
    // the list's limit.
    if (autosave.movedOut.size() >= static_cast<size_t>(protocolRowLimit / 20))
        writeAutosave(true);
    return true;
}

void finishProtocolSaves()
{
    if (autosave.active) {
        writeAutosave();
        stopAutosave();
    }
    finishBackgroundSaves();
}
