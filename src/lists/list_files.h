// Loading and saving command lists (*.cml) and programs (*.run).
#pragma once

#include <string>

// list: IdCmdList or IdPrgList. With askFile an open-file dialog picks the file.
void loadList(int list, bool askFile, const std::string& fileName);
void saveList(int list);
