// Loading and saving command lists (*.cml) and programs (*.run), the program's info text, and
// the check for unsaved changes before a list is replaced, cleared or left.
#pragma once

#include <string>

#include "common/ini_settings.h"

// The directories offered for *.cml and *.run files: "Cmd/" and "Run/" beside the program at
// start-up, afterwards the directory of the last file of its kind (with a trailing "/").
extern std::string commandsDir;
extern std::string programsDir;
// The program's info text, its lines joined by a tab character.
extern std::string programInfo;

// The last file loaded into or saved from the list (IdCmdList or IdPrgList), as a full path;
// "" for none. An auto-load that is on without a chosen file takes it.
std::string& lastListFile(int list);

// list: IdCmdList or IdPrgList. With askFile an open-file dialog picks the file, else file
// is loaded. A file that cannot be read leaves the list as it was and says so.
void loadList(int list, bool askFile, const std::string& file);
// Writes the list to a file the user chooses, replacing the file whole.
void saveList(int list);
// list: IdCmdList, IdPrgList, IdPtkList or -1 for all (at quit). Returns 6 when no warning was
// due, else the answer of the message dialog.
int unsavedChangesCheck(int list);
// The Quirlo.ini group "LASTFILES": the lists loaded or saved last.
IniGroup lastFilesIniGroup();
