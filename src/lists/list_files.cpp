// Loading and saving command lists (*.cml) and programs (*.run); built with the list files.
#include "lists/list_files.h"

void loadList(int, bool, const std::string&) {}
void saveList(int) {}
