// The command list window and the program window with their editor panels. The windows are
// frames so far; their lists and editors are built with the list windows.
#include "lists/list_windows.h"

#include "app/controls.h"
#include "app/ids.h"
#include "app/shortcuts.h"
#include "app/windows.h"

void createCommandListWindow()
{
    createWindowFrame(WinCommandList);
    registerShortcuts(WinCommandList);
}

void createProgramWindow()
{
    createWindowFrame(WinProgram);
    registerShortcuts(WinProgram);
}

void openEditor(int) {}
void closeEditor(int) {}
void takeOverEntry(int) {}
void fillTypeBlank(int) {}

bool editorPanelShown(int list)
{
    return controlVisible(list == IdCmdList ? WinCommandList : WinProgram,
                          list == IdCmdList ? IdCmdEditorPanel : IdPrgEditorPanel);
}

void restoreUnsortedOrder() {}
void findCommand(bool) {}
