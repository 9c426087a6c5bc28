// The editing operations of the two lists; built with the list editing operations.
#include "lists/list_operations.h"

void clearList(int) {}
void deleteEntry(int) {}
void deleteSelection(int) {}
void duplicateEntry(int) {}
void duplicateEntries() {}
void duplicateEntryTimes(int) {}
void setEntryActive(bool) {}
void setEntriesActive(bool) {}
void setSelectedPauses(const std::string&) {}
void copyCommandToProgram(int) {}
void moveDraggedRows(int) {}
bool startListDrag(int)
{
    return false;
}
void copyEntriesToClipboard() {}
void pasteEntriesFromClipboard() {}
void prepareProgramMenu(int) {}
