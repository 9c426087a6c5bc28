// The protocol leaving the program: the clipboard, *.log files and the run's autosave file.
#pragma once

#include <string>

#include "protocol/protocol_export.h"

// Where *.log files are saved and autosaved: "Log/" at first, then the directory of the last save.
extern std::string logDir;
// The system's temporary directory, empty until late in the start-up.
extern std::string tempDir;
// Milliseconds per minute of the autosave interval; only tests shorten it.
extern int autosaveMinuteMs;

// Puts the protocol on the clipboard in the layout of the menu entry (MenuPtkStrings ...
// MenuPtkTableRowNumbers); a layout of the other form gives an empty text.
void exportProtocolToClipboard(int menuEntry);
// Puts the clipboard layouts into the protocol's two clipboard menus.
void addClipboardMenuItems();
// Copies the protocol to the clipboard before a program's message box, as the settings ask.
void exportBeforeMessageBox();
// Asks for a file and writes the protocol as a *.log file.
void saveProtocolLog();
// Writes the protocol as a *.log file to path, replacing it whole; false when it failed.
bool writeProtocolLog(const std::string& path, std::string* reason = nullptr, const std::string& lastLine = "");
// The run's autosave: 0 at its start (nothing while the window is closed), 1 write (also each
// tick of the autosave timer), 2 stop.
void protocolAutosave(int action);
// The autosave of a monitored port's lines: on at its first line (when autosave is chosen and
// no run's autosave runs), off with a last write when the monitor stops.
void monitorAutosave(bool on);
// Rows that leave the protocol's list go to the autosave file first, when autosave runs: with
// its next write, which comes once a twentieth of the list's limit has left. False when no
// autosave runs and the rows are gone.
bool autosaveMovedOut(const ProtocolRows& rows);
// At exit: the autosave's last write, and every save under way finished and told.
void finishProtocolSaves();
