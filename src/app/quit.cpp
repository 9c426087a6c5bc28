// Help, the quit question and the unsaved-changes check.
#include "app/quit.h"

#include <string>

#include "app/shell_state.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

int askToQuit()
{
    unsavedChangesCheck(-1);
    return messageBox(WinMain, "Quirlo", "Applikation beenden?", IconQuestion, ButtonsYesNo);
}

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

void openHelp() {}
