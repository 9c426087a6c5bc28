// The one main event loop and the dispatch functions of the nine windows.
#include "app/main_loop.h"

#include "app/program_info_window.h"
#include "app/quit.h"
#include "app/settings_ini.h"
#include "app/settings_window.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "common/files.h"
#include "lists/list_files.h"
#include "lists/list_operations.h"
#include "lists/list_windows.h"
#include "diagram/diagram_window.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_settings.h"
#include "protocol/protocol_window.h"
#include "run/direct_input_window.h"
#include "run/run_control.h"
#include "run/run_state.h"
#include "run/runner.h"
#include "serial/lan_search_window.h"
#include "serial/port_authorisation_window.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/beep.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/windows.h"

namespace {

void quitWhenConfirmed()
{
    if (askToQuit() == ResultYes)
        shell.quitRequested = true;
}

void helpRequested()
{
    if (fileExists(shell.programDir + "Quirlo.pdf"))
        openHelp();
    else
        messageBox(WinMain, "Quirlo", "'Quirlo.pdf' wurde im Programm-\nHauptverzeichnis nicht gefunden!",
                   IconWarning, ButtonsOk);
}

// Hides window 1, 2, 3 or 4 and releases its toggle button in the main window.
void hideToggledWindow(int window)
{
    hideWindow(window);
    syncToggleButton(window);
}

bool askDeleteSelection(int window)
{
    return messageBox(window, "Quirlo", "Selektion löschen?", IconQuestion, ButtonsYesNo) ==
           ResultYes;
}

void dispatchMain(const Event& e)
{
    switch (e.kind) {
    case EvClose: quitWhenConfirmed(); break;
    case EvMenu:
        switch (e.object) {
        case MenuQuit:
        case MenuMainEscape: quitWhenConfirmed(); break;
        case MenuHelp:
        case MenuMainF1: helpRequested(); break;
        case MenuAbout: showOrToggleWindow(WinAbout); break;
        }
        break;
    case EvControl:
        switch (e.object) {
        case IdMainCommandListButton: showOrToggleWindow(WinCommandList); break;
        case IdMainProgramButton: showOrToggleWindow(WinProgram); break;
        case IdMainSettingsButton: showOrToggleWindow(WinSettings); break;
        case IdMainProtocolButton: showOrToggleWindow(WinProtocol); break;
        }
        break;
    case EvTimer:
        if (e.object == TimerStartup)
            completeStartUp();
        break;
    }
}

void commandListClicked(const Event& e)
{
    switch (e.object) {
    case IdCmdClear: clearList(IdCmdList); break;
    case IdCmdLoad: loadList(IdCmdList, true, ""); break;
    case IdCmdSave: saveList(IdCmdList); break;
    case IdCmdRestoreOrder: restoreUnsortedOrder(); break;
    case IdCmdSearchNext: findCommand(true); break;
    case IdCmdSearchField:
        if (e.type == CtlChange)
            findCommand(false);
        break;
    case IdCmdList:
        if (e.type == CtlActivate) {
            openEditor(IdCmdList);
        } else if (e.type == CtlRightClick) {
            showPopupMenu(selectedRows(WinCommandList, IdCmdList).size() == 1 ? PopupCmdOneRow
                                                                               : PopupCmdOther);
        } else if (e.type == CtlHeaderClick) {
            sortCommandList(e.column);
        } else if (e.type == CtlDragStart) {
            if (shell.commandDragRow == -1)
                shell.commandDragRow = selectedRow(WinCommandList, IdCmdList);
            if (!startListDrag(IdCmdList))
                shell.commandDragRow = -1;
        }
        break;
    case IdCmdTypeBox: fillTypeBlank(); break;
    case IdCmdOkay:
        closeEditor(IdCmdList);
        takeOverEntry(IdCmdList);
        break;
    case IdCmdCancel: closeEditor(IdCmdList); break;
    }
}

void commandListMenu(const Event& e)
{
    bool panelShown = editorPanelShown(IdCmdList);
    bool listIdle = !controlEnabled(WinCommandList, IdCmdList) ||
                    selectedRow(WinCommandList, IdCmdList) == -1;
    switch (e.object) {
    case MenuCmdChange: openEditor(IdCmdList); break;
    case MenuCmdDuplicate: duplicateEntry(IdCmdList); break;
    case MenuCmdDelete: deleteEntry(IdCmdList); break;
    case MenuCmdNew:
    case MenuCmdNewOnly:
        clearSelection(WinCommandList, IdCmdList);
        openEditor(IdCmdList);
        break;
    case MenuCmdCopyToProgram: copyCommandToProgram(0); break;
    case MenuCmdCtrlN:
        if (!panelShown)
            postEvent(EvControl, WinCommandList, IdCmdClear);
        break;
    case MenuCmdCtrlO:
        if (!panelShown)
            postEvent(EvControl, WinCommandList, IdCmdLoad);
        break;
    case MenuCmdCtrlS:
        if (!panelShown)
            postEvent(EvControl, WinCommandList, IdCmdSave);
        break;
    case MenuCmdReturn:
        if (listIdle)
            postEvent(EvControl, WinCommandList, IdCmdOkay);
        else
            openEditor(IdCmdList);
        break;
    case MenuCmdEscape:
        if (listIdle)
            postEvent(EvControl, WinCommandList, IdCmdCancel);
        break;
    case MenuCmdDeleteKey:
        if (askDeleteSelection(WinCommandList))
            deleteSelection(IdCmdList);
        break;
    }
}

void dispatchCommandList(const Event& e)
{
    switch (e.kind) {
    case EvClose: hideToggledWindow(WinCommandList); break;
    case EvResize: relayoutCommandListWindow(); break;
    case EvControl: commandListClicked(e); break;
    case EvDrop:
        if (e.object == IdCmdList && e.dropType == IdCmdList) {
            moveDraggedRows(IdCmdList, shell.commandDragRow, 1, e.dropRow);
            shell.commandDragRow = -1;
        }
        break;
    case EvMenu: commandListMenu(e); break;
    }
}

void programListClicked(const Event& e)
{
    if (e.type == CtlActivate) {
        if (selectedRow(WinProgram, IdPrgList) != -1)
            openEditor(IdPrgList);
    } else if (e.type == CtlRightClick) {
        size_t selected = selectedRows(WinProgram, IdPrgList).size();
        int menu = selected == 0 ? PopupPrgNoRow : selected > 1 ? PopupPrgManyRows : PopupPrgOneRow;
        if (menu != PopupPrgNoRow)
            prepareProgramMenu(menu);
        showPopupMenu(menu);
    } else if (e.type == CtlDragStart) {
        if (shell.programDragRow == -1) {
            shell.programDragRow = selectedRow(WinProgram, IdPrgList);
            shell.programDragCount = static_cast<int>(selectedRows(WinProgram, IdPrgList).size());
        }
        if (!startListDrag(IdPrgList))
            shell.programDragRow = -1;
    }
}

void programClicked(const Event& e)
{
    switch (e.object) {
    case IdPrgClear: clearList(IdPrgList); break;
    case IdPrgLoad: loadList(IdPrgList, true, ""); break;
    case IdPrgSave: saveList(IdPrgList); break;
    case IdPrgPortButton: togglePort(currentPort); break;
    case IdPrgCheck: checkProgram(); break;
    case IdPrgRun: startRun(); break;
    case IdPrgPause: pauseToggled(); break;
    case IdPrgStop: stopRun(); break;
    case IdPrgList: programListClicked(e); break;
    case IdPrgInfo: showProgramInfo(); break;
    case IdPrgOkay:
        closeEditor(IdPrgList);
        takeOverEntry(IdPrgList);
        break;
    case IdPrgCancel: closeEditor(IdPrgList); break;
    }
}

void programMenu(const Event& e)
{
    bool panelShown = editorPanelShown(IdPrgList);
    if (e.object >= MenuPrgPauseFirst && e.object <= MenuPrgPauseLast) {
        setSelectedPauses(menuItemText(PopupPrgManyRows, e.object));
        return;
    }
    switch (e.object) {
    case MenuPrgChange: openEditor(IdPrgList); break;
    case MenuPrgDuplicate: duplicateEntry(IdPrgList); break;
    case MenuPrgDeactivate: setEntryActive(false); break;
    case MenuPrgActivate: setEntryActive(true); break;
    case MenuPrgDeactivateMany: setEntriesActive(false); break;
    case MenuPrgActivateMany: setEntriesActive(true); break;
    case MenuPrgDelete: deleteEntry(IdPrgList); break;
    case MenuPrgCopy:
    case MenuPrgCopyMany:
    case MenuPrgCtrlC: copyEntriesToClipboard(); break;
    case MenuPrgPasteHere:
    case MenuPrgPaste:
    case MenuPrgCtrlV: pasteEntriesFromClipboard(); break;
    case MenuPrgExecute:
        startRun(selectedRow(WinProgram, IdPrgList));
        break;
    case MenuPrgTimes2: duplicateEntryTimes(2); break;
    case MenuPrgTimes3: duplicateEntryTimes(3); break;
    case MenuPrgTimes5: duplicateEntryTimes(5); break;
    case MenuPrgTimes10: duplicateEntryTimes(10); break;
    case MenuPrgDeleteMany: deleteSelection(IdPrgList); break;
    case MenuPrgDuplicateMany: duplicateEntries(); break;
    case MenuPrgCtrlN:
        if (!panelShown)
            postEvent(EvControl, WinProgram, IdPrgClear);
        break;
    case MenuPrgCtrlO:
        if (!panelShown)
            postEvent(EvControl, WinProgram, IdPrgLoad);
        break;
    case MenuPrgCtrlS:
        if (!panelShown)
            postEvent(EvControl, WinProgram, IdPrgSave);
        break;
    case MenuPrgCtrlI:
        if (!panelShown)
            postEvent(EvControl, WinProgram, IdPrgInfo);
        break;
    case MenuPrgReturn:
        if (panelShown)
            postEvent(EvControl, WinProgram, IdPrgOkay);
        break;
    case MenuPrgEscape:
        if (panelShown)
            postEvent(EvControl, WinProgram, IdPrgCancel);
        break;
    case MenuPrgF11:
        if (!panelShown && controlEnabled(WinProgram, IdPrgRun))
            postEvent(EvControl, WinProgram, IdPrgRun);
        break;
    case MenuPrgF12:
        if (!panelShown)
            postEvent(EvControl, WinProgram, IdPrgStop);
        break;
    case MenuPrgPauseKey:
        if (controlEnabled(WinProgram, IdPrgPause)) {
            setToggleState(WinProgram, IdPrgPause, !toggleState(WinProgram, IdPrgPause));
            postEvent(EvControl, WinProgram, IdPrgPause);
        }
        break;
    case MenuPrgDeleteKey:
        if (askDeleteSelection(WinProgram))
            deleteSelection(IdPrgList);
        break;
    }
}

void dispatchProgram(const Event& e)
{
    switch (e.kind) {
    case EvClose: hideToggledWindow(WinProgram); break;
    case EvResize: relayoutProgramWindow(); break;
    case EvControl: programClicked(e); break;
    case EvDrop:
        if (e.object != IdPrgList)
            break;
        if (e.dropType == IdCmdList) {
            copyCommandToProgram(e.dropAction);
            shell.commandDragRow = -1;
        } else if (e.dropType == IdPrgList) {
            moveDraggedRows(IdPrgList, shell.programDragRow, shell.programDragCount, e.dropRow);
            shell.programDragRow = -1;
            shell.commandDragRow = -1;
        }
        break;
    case EvMenu: programMenu(e); break;
    case EvTimer:
        if (e.object == TimerRun && !runState.paused)
            RunTick();
        break;
    }
}

bool portIndicator(int id)
{
    return id >= IdSetPortIndicatorFirst && id <= IdSetPortIndicatorLast;
}

// Settings a running program depends on are not changed under it: true, with the user told,
// while a program runs.
bool refusedWhileRunning(const char* refusal)
{
    if (runState.running)
        messageBox(WinSettings, "Quirlo", refusal, IconWarning, ButtonsOk);
    return runState.running;
}

const char* const addPortRefusal = "Während eines Programmlaufs kann kein Port hinzugefügt werden!";

const char* const protocolRefusal = "Programm darf nicht gestartet sein!\nÜbernahme erst nach 'Stop' aufrufen.";

void settingsClicked(int id)
{
    switch (id) {
    case IdSetLoadDevice: loadSettingsFile(); break;
    case IdSetSaveDevice: saveSettingsFile(); break;
    case IdSetApplyPort:
        if (!refusedWhileRunning("Neue Initialsierung während Programm-Lauf nicht möglich!"))
            applyPortSettings();
        break;
    case IdSetPortBox: showSettingsOfPort(selectedPortChoice()); break;
    case IdSetAddPort:
        if (!refusedWhileRunning(addPortRefusal))
            addPortNamed(controlText(WinSettings, IdSetAddPortField));
        break;
    case IdSetLanSearch: openLanSearch(); break;
    case IdSetAuthorisation:
        if (!runState.running)
            showPortAuthWindow();
        break;
    case IdSetRediscover:
        if (!runState.running) {
            discoverPorts(true);
            refreshPortIndicators(true);
        }
        break;
    case IdSetSubStrings: enableSubStringFields(); break;
    case IdSetErrQuery: enableErrorQueryFields(); break;
    case IdSetProtocolOn:
    case IdSetAsTable:
    case IdSetAsList:
        if (!refusedWhileRunning(protocolRefusal))
            validateProtocolSettings();
        break;
    case IdSetApplyProtocol:
        if (!refusedWhileRunning(protocolRefusal))
            applyProtocolSettings();
        break;
    case IdSetAutosave:
        if (!tempDir.empty())
            setControlEnabled(WinSettings, IdSetAutosaveTemp, toggleState(WinSettings, IdSetAutosave));
        break;
    case IdSetAboutAuto: shell.aboutAtStart = toggleState(WinSettings, IdSetAboutAuto); break;
    case IdSetBeepTest: PlayBeep(); break;
    case IdSetAutoLoadSettings:
    case IdSetAutoLoadCommands:
    case IdSetAutoLoadProgram: enableAutoLoadRow(id); break;
    case IdSetAutoLoadSettingsChoose:
    case IdSetAutoLoadCommandsChoose:
    case IdSetAutoLoadProgramChoose: chooseAutoLoadFile(id); break;
    default:
        if (portIndicator(id) && !runState.running)
            portIndicatorClicked(id);
        break;
    }
}

// A port's connect ended: the port, then whoever waited for it.
void connectEnded(int index)
{
    portConnectEnded(index);
    runnerConnectEnded();
    startUpConnectEnded();
}

void dispatchSettings(const Event& e)
{
    switch (e.kind) {
    case EvClose: hideToggledWindow(WinSettings); break;
    case EvControl:
        if (e.type == CtlHangUp)
            closeIfLost(e.column);
        else if (e.type == CtlConnectEnded)
            connectEnded(e.column);
        else if (e.type == CtlPortReturned)
            portReturned(e.column);
        else if (e.type == CtlRightClick && portIndicator(e.object))
            showPortMenu(e.object);
        else
            settingsClicked(e.object);
        break;
    case EvMenu:
        if (e.object == MenuSetCtrlO && portPageShown())
            postEvent(EvControl, WinSettings, IdSetLoadDevice);
        else if (e.object == MenuSetCtrlS && portPageShown())
            postEvent(EvControl, WinSettings, IdSetSaveDevice);
        else if (e.object == MenuSetReturn && portPageShown())
            postEvent(EvControl, WinSettings, IdSetApplyPort);
        else if (e.object == MenuSetReturn && protocolPageShown())
            postEvent(EvControl, WinSettings, IdSetApplyProtocol);
        else if (e.object == MenuSetDeviceClear)
            clearMenuPortDevice();
        break;
    }
}

// The clipboard formats of the form the protocol has now.
void showClipboardMenu()
{
    showPopupMenu(protocolShownAsTable() ? PopupPtkTableClipboard : PopupPtkListClipboard);
}

void protocolClicked(const Event& e)
{
    switch (e.object) {
    case IdPtkClear: clearProtocol(true); break;
    case IdPtkSave: saveProtocolLog(); break;
    case IdPtkClipboard:
        showClipboardMenu();
        setToggleState(WinProtocol, IdPtkClipboard, false);
        break;
    case IdPtkFitColumns: autoSizeColumns(WinProtocol, IdPtkList); break;
    case IdPtkDiagram: showOrToggleWindow(WinDiagram); break;
    case IdPtkDirect: openDirectInput(); break;
    case IdPtkList:
        if (e.type == CtlRightClick && !runState.running) {
            int first = selectedRow(WinProtocol, IdPtkList);
            if (first != -1) {
                setMenuItemText(PopupPtkRows, MenuPtkRowLabel, "Zeile " + std::to_string(first + 1));
                showPopupMenu(PopupPtkRows);
            }
        }
        break;
    }
}

void dispatchProtocol(const Event& e)
{
    switch (e.kind) {
    case EvClose: hideToggledWindow(WinProtocol); break;
    case EvResize: relayoutProtocolWindow(); break;
    case EvControl: protocolClicked(e); break;
    case EvMenu:
        switch (e.object) {
        case MenuPtkCtrlN: clearProtocol(true); break;
        case MenuPtkCtrlS: saveProtocolLog(); break;
        case MenuPtkCtrlC: showClipboardMenu(); break;
        case MenuPtkCtrlG:
            if (controlEnabled(WinProtocol, IdPtkDiagram))
                showOrToggleWindow(WinDiagram);
            break;
        case MenuPtkStrings:
        case MenuPtkNumbers:
        case MenuPtkQueryStrings:
        case MenuPtkQueryNumbers:
        case MenuPtkTableFrame:
        case MenuPtkTableData:
        case MenuPtkTableTitles:
        case MenuPtkTableRowNumbers: exportProtocolToClipboard(e.object); break;
        case MenuPtkDeleteRows: deleteProtocolRow(); break;
        }
        break;
    case EvTimer:
        if (e.object == TimerAutosave)
            protocolAutosave(1);
        break;
    }
}

void dispatchDiagram(const Event& e)
{
    switch (e.kind) {
    case EvClose: hideWindow(WinDiagram); break;
    case EvResize: relayoutDiagramWindow(); break;
    case EvControl:
        if (e.object == IdDgmSave)
            saveDiagramAs();
        else
            diagramControlChanged();
        break;
    case EvTimer:
        if (e.object == TimerDiagram)
            diagramTick();
        break;
    }
}

void directInputClicked(const Event& e)
{
    switch (e.object) {
    case IdDirLine:
        if (e.type == CtlActivate)
            sendDirectLine();
        break;
    case IdDirSend: sendDirectLine(); break;
    case IdDirMonitor: monitorSwitched(); break;
    case IdDirSaveBlock: saveLastBlock(); break;
    }
}

void dispatchDirect(const Event& e)
{
    switch (e.kind) {
    case EvClose: closeDirectInput(); break;
    case EvResize: relayoutDirectInputWindow(); break;
    case EvControl: directInputClicked(e); break;
    case EvMenu:
        switch (e.object) {
        case MenuDirOpen: openDirectInput(); break;
        case MenuDirUp: walkSendHistory(true); break;
        case MenuDirDown: walkSendHistory(false); break;
        }
        break;
    case EvTimer:
        if (e.object == TimerDirect)
            directAnswerTick();
        else if (e.object == TimerMonitor)
            monitorTick();
        break;
    }
}

void dispatchAbout(const Event& e)
{
    if (e.kind == EvClose || (e.kind == EvControl && e.object == IdAboutOkay))
        hideWindow(WinAbout);
}

void dispatchProgramInfo(const Event& e)
{
    switch (e.kind) {
    case EvClose: showOrToggleWindow(WinProgramInfo); break;
    case EvResize: relayoutProgramInfoWindow(); break;
    case EvControl:
        if (e.object == IdInfoTakeOver)
            takeOverProgramInfo();
        break;
    case EvMenu:
        if (e.object == MenuInfoEscape)
            postEvent(EvControl, WinProgramInfo, IdInfoTakeOver);
        break;
    }
}

void dispatchPauseInfo(const Event& e)
{
    switch (e.kind) {
    case EvClose:
        if (GtkWidget* window = windowWidget(WinPauseInfo))
            gtk_widget_destroy(window);
        if (windowExists(WinProgram) && toggleState(WinProgram, IdPrgPause) && runState.currentRow >= 1) {
            setToggleState(WinProgram, IdPrgPause, false);
            postEvent(EvControl, WinProgram, IdPrgPause);
        }
        break;
    case EvControl:
        if (e.object == IdPauseInfoButton)
            postEvent(EvClose, WinPauseInfo, 0);
        break;
    case EvMenu:
        if (e.object == MenuPauseReturn || e.object == MenuPauseEscape)
            postEvent(EvControl, WinPauseInfo, IdPauseInfoButton);
        break;
    }
}

void rediscoverAndHide()
{
    discoverPorts(true);
    refreshPortIndicators(true);
    hideWindow(WinPortAuth);
}

void dispatchPortAuth(const Event& e)
{
    if (e.kind == EvClose) {
        discoverPorts(true);
        hideWindow(WinPortAuth);
        return;
    }
    if (e.kind != EvControl)
        return;
    switch (e.object) {
    case IdAuthDiscoverAll: discoverPorts(false); break;
    case IdAuthDiscoverAccessible: discoverPorts(true); break;
    case IdAuthGrant: grantPortAccess(); break;
    case IdAuthWithdraw: withdrawPortAccess(); break;
    case IdAuthList:
        if (e.type == CtlChange) {
            bool selected = selectedRow(WinPortAuth, IdAuthList) != -1;
            setControlEnabled(WinPortAuth, IdAuthGrant, selected);
            setControlEnabled(WinPortAuth, IdAuthWithdraw, selected);
        }
        break;
    case IdAuthTakeOver:
        if (!runState.running)
            rediscoverAndHide();
        break;
    }
}

void dispatchLanSearch(const Event& e)
{
    switch (e.kind) {
    case EvClose: closeLanSearch(); break;
    case EvTimer: lanSearchTick(); break;
    case EvControl:
        switch (e.object) {
        case IdLanSearch: startLanSearch(); break;
        case IdLanStop: stopLanSearch(); break;
        case IdLanList:
            if (e.type != CtlActivate)
                break;
            [[fallthrough]];
        case IdLanAdd:
            if (!refusedWhileRunning(addPortRefusal))
                addFoundPort();
            break;
        }
        break;
    }
}

} // namespace

void dispatchEvent(const Event& event)
{
    shell.lastEvent = event;
    switch (event.window) {
    case WinMain: dispatchMain(event); break;
    case WinCommandList: dispatchCommandList(event); break;
    case WinProgram: dispatchProgram(event); break;
    case WinSettings: dispatchSettings(event); break;
    case WinProtocol: dispatchProtocol(event); break;
    case WinAbout: dispatchAbout(event); break;
    case WinProgramInfo: dispatchProgramInfo(event); break;
    case WinPauseInfo: dispatchPauseInfo(event); break;
    case WinPortAuth: dispatchPortAuth(event); break;
    case WinDiagram: dispatchDiagram(event); break;
    case WinDirect: dispatchDirect(event); break;
    case WinLanSearch: dispatchLanSearch(event); break;
    }
}

void runMainLoop()
{
    while (!shell.quitRequested) {
        Event event;
        if (takeEvent(event))
            dispatchEvent(event);
        else
            gtk_main_iteration();
    }
}
