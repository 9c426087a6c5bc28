// The fixed numbers of Quirlo's windows, event kinds, controls, menu items, pop-up menus and
// timers. Handlers use these names, never bare numbers.
#pragma once

enum WindowId {
    WinMain = 0,
    WinCommandList = 1,
    WinProgram = 2,
    WinSettings = 3,
    WinProtocol = 4,
    WinAbout = 5,
    WinProgramInfo = 6,
    WinPauseInfo = 7,
    WinPortAuth = 8,
    WinDiagram = 9,
    WinDirect = 10,
    WinLanSearch = 11,
    WindowCount = 12
};

enum EventKind {
    EvMenu = 1, // menu item, toolbar button of the main window or keyboard shortcut
    EvClose = 2,
    EvControl = 3,
    EvResize = 6,
    EvDrop = 11,
    EvTimer = 15
};

// Event types of control events.
enum ControlEventType {
    CtlPlain = 0,
    CtlRightClick = 1,
    CtlActivate = 2,
    CtlChange = 768,
    CtlDragStart = 2048,
    CtlHeaderClick = 4096, // a click on a list's column header; the event names the column
    CtlHangUp = 8192,      // an open port's device went away; the event's column is the PortIndex
    CtlConnectEnded = 8193, // a port's connect was made or refused; the event's column is the PortIndex
    CtlPortReturned = 8194  // a lost port's device may be back; the event's column is the PortIndex
};

enum TimerId {
    TimerAutosave = 97, // window 4
    TimerRun = 98,      // window 2
    TimerDiagram = 96,  // window 9: the diagram follows the table
    TimerDirect = 95,   // window 10: the answer to a line sent directly
    TimerMonitor = 94,  // window 10: the monitored port sent, or was silent long enough
    TimerLanSearch = 93, // window 11: the search's progress bar moves on
    TimerStartup = 99   // window 0
};

enum ControlId {
    // Main window
    IdMainLogo = 3,
    IdMainCommandListButton = 4,
    IdMainProgramButton = 5,
    IdMainSettingsButton = 6,
    IdMainProtocolButton = 7,
    // Command list window
    IdCmdClear = 10,
    IdCmdLoad = 11,
    IdCmdSave = 12,
    IdCmdSetLabel = 13,
    IdCmdSetField = 14,
    IdCmdRestoreOrder = 15,
    IdCmdSearchNext = 16,
    IdCmdSearchField = 17,
    IdCmdList = 18,
    IdCmdEditorPanel = 19,
    IdCmdTypeBox = 20,
    IdCmdOkay = 21,
    IdCmdCancel = 22,
    IdCmdCommandField = 23,
    IdCmdDescriptionField = 24,
    IdCmdPauseField = 25,
    // Program window
    IdPrgClear = 32,
    IdPrgLoad = 33,
    IdPrgSave = 34,
    IdPrgSetLabel = 35,
    IdPrgSetField = 36,
    IdPrgPortLabel = 37,
    IdPrgPortButton = 38,
    IdPrgCheck = 39,
    IdPrgRun = 40,
    IdPrgPause = 41,
    IdPrgStop = 42,
    IdPrgListFrame = 43,
    IdPrgList = 44,
    IdPrgEditorPanel = 45,
    IdPrgCommandField = 46,
    IdPrgTypeField = 47,
    IdPrgParamField = 48,
    IdPrgPauseField = 49,
    IdPrgInfo = 50,
    IdPrgOkay = 51,
    IdPrgCancel = 52,
    // Settings window
    IdSetLoadDevice = 67,
    IdSetApplyPort = 68,
    IdSetSaveDevice = 69,
    IdSetPortBox = 72,
    IdSetPortNumber = 73, // "Port-Nr.:"
    IdSetPortTag = 74,    // "Port-Tag:"
    IdSetAuthorisation = 75,
    IdSetRediscover = 76,
    // The device settings form of the page "Port/COM/Handling"
    IdSetFileName = 77, // "Datei:"
    IdSetBaud = 78,
    IdSetDevice = 79, // "Gerätetyp:"
    IdSetDataBits = 80,
    IdSetParity = 81,
    IdSetStopBits = 82,
    IdSetHandshake = 83,
    IdSetInBuffer = 84,
    IdSetOutBuffer = 85,
    IdSetInMaxSigns = 86,
    IdSetInTerminator = 87,
    IdSetInRetry = 88,
    IdSetSubStrings = 90,
    IdSetSubTerminator = 91,
    IdSetOutTerminator = 92,
    IdSetErrQuery = 93,
    IdSetErrQueryClear = 94, // "Queue löschen:"
    IdSetErrGetCmd = 95,     // "Queue-Abfrage:"
    IdSetErrGetSesr = 96,    // "SESR-Abfrage:"
    IdSetDelayLong = 97, // "vor Antwort:"
    IdSetDelayShort = 98, // "vor Wiederholg.:"
    IdSetDelayErr = 99,   // the error-query pause
    IdSetSendAsIs = 100,  // "Text unverändert senden:"
    IdSetReadAtOnce = 101, // "Antwort sofort lesen:"
    IdSetAddPortField = 102,
    IdSetAddPort = 103,    // "Port hinzufügen..."
    IdSetSkipEcho = 104,   // "Echo überspringen:"
    IdSetOnLoss = 112,     // "Bei Verbindungsverlust:"
    IdSetLossWait = 113,   // "max. Wartezeit [s]:"
    IdSetLanSearch = 114,  // "Netzwerkgeräte suchen"
    IdSetProtocolTypeText = 105, // "Typ:" text of the port page
    IdSetProtocolOn = 106,
    IdSetAsDebug = 107,
    IdSetAsTable = 108,
    IdSetAsList = 109,
    IdSetAsExcel = 110,
    IdSetExcelFrame = 111,
    IdSetInternalCommands = 121,
    IdSetPortCommands = 122,
    IdSetTableContent = 124,
    IdSetTableFormat = 125,
    IdSetMaxCols = 126,
    IdSetColumns = 127,
    IdSetColumnWidth = 128,
    IdSetMaxRows = 129,
    IdSetAutosave = 130,
    IdSetAutosaveInterval = 131,
    IdSetAutosaveTemp = 132,
    IdSetApplyProtocol = 133,
    IdSetApplicationFrame = 134,
    IdSetAboutAuto = 135,
    IdSetWarnUnsaved = 136,
    IdSetAutoColumnWidth = 137,
    IdSetLoadIni = 138,
    IdSetSaveIni = 139,
    IdSetGlobalBeeps = 140,
    IdSetBeepTest = 141,
    IdSetRestoreWindows = 142,
    IdSetResetLines = 143, // "DTR/RTS bei OpenCom 'low' setzen"
    IdSetMsgBoxTable = 144,
    IdSetMsgBoxList = 145,
    IdSetAutoLoadFrame = 146,
    IdSetAutoLoadSettings = 147,
    IdSetAutoLoadSettingsFile = 148,
    IdSetAutoLoadSettingsChoose = 149,
    IdSetAutoLoadCommands = 150,
    IdSetAutoLoadCommandsFile = 151,
    IdSetAutoLoadCommandsChoose = 152,
    IdSetAutoLoadProgram = 153,
    IdSetAutoLoadProgramFile = 154,
    IdSetAutoLoadProgramChoose = 155,
    // Protocol window
    IdPtkSave = 156,
    IdPtkClear = 157,
    IdPtkClipboard = 158,
    IdPtkFitColumns = 159,
    IdPtkExcel = 160,
    IdPtkLimitIndicator = 161,
    IdPtkFileLabel = 162,
    IdPtkFileField = 163,
    IdPtkList = 164,
    IdPtkDiagram = 165,
    IdPtkDirect = 166,
    // About window
    IdAboutLogo = 168,
    IdAboutLine1 = 169,
    IdAboutLine2 = 170,
    IdAboutLine3 = 171,
    IdAboutOkay = 175,
    // Pause info window
    IdPauseInfoButton = 178,
    // Port authorisation window
    IdAuthHeading = 181,
    IdAuthShowing = 182, // "Anzeige: ..."
    IdAuthList = 183,
    IdAuthDiscoverAll = 184,
    IdAuthDiscoverAccessible = 185,
    IdAuthGrant = 186,
    IdAuthWithdraw = 187,
    IdAuthTakeOver = 188,
    // Program info editor
    IdInfoEditor = 189,
    IdInfoLineCount = 190,
    IdInfoTakeOver = 191,
    // Diagram window
    IdDgmAlong = 220,
    IdDgmX = 221,
    IdDgmY = 222,
    IdDgmY2 = 223,
    IdDgmStyle = 224,
    IdDgmLogX = 225,
    IdDgmLogY = 226,
    IdDgmFixed = 227,
    IdDgmXMin = 228,
    IdDgmXMax = 229,
    IdDgmYMin = 230,
    IdDgmYMax = 231,
    IdDgmSave = 232,
    IdDgmHint = 233,
    IdDgmPlot = 234,
    IdDgmY2Min = 235, // the right axis's fixed range
    IdDgmY2Max = 236,
    // Direct-input window
    IdDirLine = 240, // "Senden:"
    IdDirSend = 241,
    IdDirMonitor = 242, // "Mitlesen"
    IdDirTimestamps = 243, // "Zeitstempel"
    IdDirState = 244,
    IdDirSaveBlock = 245, // "Block sichern..."
    // Window of the search for instruments on the LAN
    IdLanList = 250,
    IdLanProgress = 251,
    IdLanState = 252,
    IdLanSearch = 253, // "Suchen"
    IdLanStop = 254,   // "Stop"
    IdLanAdd = 255,    // "Port hinzufügen"
    // The sixteen port indicators of the settings window, for PortIndex 0 to 15
    IdSetPortIndicatorFirst = 200,
    IdSetPortIndicatorLast = 215
};

enum MenuItemId {
    // Main window toolbar and shortcuts
    MenuQuit = 0,
    MenuAbout = 1,
    MenuHelp = 2,
    MenuMainEscape = 8,
    MenuMainF1 = 9,
    // Command list pop-up menus and shortcuts
    MenuCmdDelete = 4,
    MenuCmdChange = 5,
    MenuCmdDuplicate = 6,
    MenuCmdNew = 7,
    MenuCmdCopyToProgram = 8,
    MenuCmdNewOnly = 10,
    MenuCmdCtrlN = 26,
    MenuCmdCtrlO = 27,
    MenuCmdCtrlS = 28,
    MenuCmdReturn = 29,
    MenuCmdEscape = 30,
    MenuCmdDeleteKey = 31,
    // Program pop-up menus and shortcuts
    MenuPrgPaste = 12,
    MenuPrgDelete = 14,
    MenuPrgChange = 15,
    MenuPrgDeactivate = 16,
    MenuPrgActivate = 17,
    MenuPrgCopy = 18,
    MenuPrgPasteHere = 19,
    MenuPrgExecute = 20,
    MenuPrgDuplicate = 21,
    MenuPrgTimes2 = 22,
    MenuPrgTimes3 = 23,
    MenuPrgTimes5 = 24,
    MenuPrgTimes10 = 25,
    MenuPrgDeleteMany = 27,
    MenuPrgCopyMany = 28,
    MenuPrgDeactivateMany = 29,
    MenuPrgActivateMany = 30,
    MenuPrgDuplicateMany = 31,
    MenuPrgPauseFirst = 32, // "5"
    MenuPrgPauseLast = 47,  // "5000"
    MenuPrgCtrlC = 53,
    MenuPrgCtrlV = 54,
    MenuPrgDeleteKey = 56,
    MenuPrgCtrlN = 57,
    MenuPrgCtrlO = 58,
    MenuPrgCtrlS = 59,
    MenuPrgCtrlI = 60,
    MenuPrgReturn = 61,
    MenuPrgEscape = 62,
    MenuPrgF11 = 63,
    MenuPrgF12 = 64,
    MenuPrgPauseKey = 65,
    // Settings window shortcuts
    MenuSetCtrlO = 102,
    MenuSetCtrlS = 103,
    MenuSetReturn = 104,
    // Protocol pop-up menus and shortcuts
    MenuPtkListHeading = 49,
    MenuPtkStrings = 50,
    MenuPtkNumbers = 51,
    MenuPtkQueryStrings = 52,
    MenuPtkQueryNumbers = 53,
    MenuPtkTableHeading = 55,
    MenuPtkTableFrame = 56,
    MenuPtkTableData = 57,
    MenuPtkTableTitles = 58,
    MenuPtkTableRowNumbers = 59,
    MenuPtkDeleteRows = 61,
    MenuPtkRowLabel = 62,
    MenuPtkCtrlN = 165,
    MenuPtkCtrlS = 166,
    MenuPtkCtrlC = 167,
    MenuPtkCtrlG = 168,
    // Pause info window and program info editor shortcuts
    MenuPauseReturn = 179,
    MenuPauseEscape = 180,
    MenuInfoEscape = 192,
    // Direct-input window shortcuts
    MenuDirUp = 193,
    MenuDirDown = 194,
    MenuDirOpen = 195, // Ctrl+D in the program and protocol windows
    // Port indicator pop-up menu
    MenuSetDeviceClear = 196 // "Gerät zurücksetzen"
};

enum PopupMenuId {
    PopupCmdOneRow = 3,
    PopupCmdOther = 9,
    PopupPrgNoRow = 11,
    PopupPrgOneRow = 13,
    PopupPrgManyRows = 26,
    PopupPtkListClipboard = 48,
    PopupPtkTableClipboard = 54,
    PopupPtkRows = 60,
    PopupPort = 70 // a port indicator of the settings window
};
