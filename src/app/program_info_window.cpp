// The program info editor.
#include "app/program_info_window.h"

#include "app/ids.h"
#include "app/shortcuts.h"
#include "app/windows.h"

void createProgramInfoWindow()
{
    createWindowFrame(WinProgramInfo);
    registerShortcuts(WinProgramInfo);
}

void showProgramInfo()
{
    showOrToggleWindow(WinProgramInfo);
}

void takeOverProgramInfo()
{
    showOrToggleWindow(WinProgramInfo);
}
