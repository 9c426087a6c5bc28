// Quirlo.ini, the settings window's page "Applikation" and its auto-load rows.
#include "app/settings_ini.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>

#include "app/ini_file.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "serial/settings_window.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/resources.h"
#include "ui/windows.h"

namespace {

constexpr int applicationPage = 2;

// The saved visibility of windows 0-4, as the last exit left them.
std::array<bool, 5> savedVisible{};

struct WindowPlace {
    const char* prefix;
    int window;
    int64_t x, y, width, height;
};

// The windows whose places Quirlo.ini keeps, with their default places and sizes.
std::array<WindowPlace, 4> defaultPlaces()
{
    return {{{"WinCmd", WinCommandList, 10, 10, 615, 510},
             {"WinPrg", WinProgram, 100, 32, 640, 482},
             {"WinSet", WinSettings, 200, 400, 560, 470},
             {"WinPtk", WinProtocol, 500, 50, 500, 246}}};
}

std::string iniPath()
{
    return shell.programDir + "Quirlo.ini";
}

int chosen(int id)
{
    GtkWidget* widget = controlWidget(WinSettings, id);
    return widget ? gtk_combo_box_get_active(GTK_COMBO_BOX(widget)) : -1;
}

void choose(int id, int64_t index, int count)
{
    if (GtkWidget* widget = controlWidget(WinSettings, id))
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget), index >= 0 && index < count ? static_cast<int>(index) : -1);
}

int64_t flag(int id)
{
    return toggleState(WinSettings, id) ? 1 : 0;
}

void putPageButton(GtkWidget* page, int id, int image, int x, const char* toolTip)
{
    GtkWidget* button = putControl(page, WinSettings, id, gtk_button_new(), x, 2, 30, 30);
    gtk_button_set_image(GTK_BUTTON(button), quirloImageWidget(image));
    gtk_widget_set_tooltip_text(button, toolTip);
    gtk_widget_set_sensitive(button, FALSE);
}

void putAutoLoadRow(GtkWidget* frame, int boxId, const char* label, int fieldId, int buttonId, int y, bool on)
{
    putCheck(frame, WinSettings, boxId, label, 5, y, 120, on);
    GtkWidget* field = putControl(frame, WinSettings, fieldId, gtk_entry_new(), 130, y + 3, 370, 20);
    gtk_entry_set_text(GTK_ENTRY(field), "");
    putButton(frame, WinSettings, buttonId, "...", 505, y + 2, 35, 22, false);
}

// The window's place as the window manager reports it and its inner size; 0 for all four
// when it does not exist.
std::array<int64_t, 4> placeOf(int window)
{
    GtkWidget* widget = windowWidget(window);
    if (!widget)
        return {0, 0, 0, 0};
    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
    auto [width, height] = innerSize(window);
    return {x, y, width, height};
}

} // namespace

void buildApplicationPage()
{
    GtkWidget* page = settingsPage(applicationPage);
    if (!page)
        return;
    putPageButton(page, IdSetLoadIni, 35, 5, "[Strg][O] Lädt *.ini-Datei");
    putPageButton(page, IdSetSaveIni, 36, 35, "[Strg][S] Speichert *.ini-Datei");
    putFrame(page, WinSettings, IdSetApplicationFrame, " Applikationseinstellungen...", 2, 36, 547, 256);
    // The places of the controls are measured from the frame's corner, heading included.
    GtkWidget* frame = putControl(page, WinSettings, 0, gtk_fixed_new(), 2, 36, 547, 256);
    putCheck(frame, WinSettings, IdSetAboutAuto, "Infofenster automatisch öffnen", 5, 20, 310, shell.aboutAtStart);
    putCheck(frame, WinSettings, IdSetWarnUnsaved, "Warnung bei ungesicherten Listenänderungen", 5, 44, 400, true,
             "Beim Löschen, Laden und Programmende wird vor ungesicheeten Änderungen in Listen gewarnt");
    putCheck(frame, WinSettings, IdSetAutoColumnWidth, "Spaltenbreiten nach Öffnen autom. anpassen", 5, 68, 400, true,
             "Entspricht dem Drücken des Spaltenbreiten-Piktogrammes im Protokollfenster");
    putLabel(frame, "Programm-Beeps:", 5, 95, 130);
    putChoice(frame, WinSettings, IdSetGlobalBeeps, {"Aus", "Standard", "Kurz", "Sehr kurz (Klick)"}, 3, 140, 92, 180,
              "Schaltet vorrangig vor den Programmbefehlen den Beepton An/Aus");
    GtkWidget* beep = putButton(frame, WinSettings, IdSetBeepTest, "", 324, 91, 30, 30, false);
    gtk_button_set_image(GTK_BUTTON(beep), quirloImageWidget(40));
    GtkWidget* restore = putCheck(frame, WinSettings, IdSetRestoreWindows, "Letzte Fensterpositionen wiederherstellen",
                                  5, 123, 400, false);
    gtk_widget_set_sensitive(restore, FALSE);
    putCheck(frame, WinSettings, IdSetResetLines, "DTR/RTS bei OpenCom 'low' setzen", 5, 147, 400, true,
             "Setzt bei OpenCom [#] DTR/RTS auf '0'.");
    GtkWidget* heading = gtk_label_new("Programm-MessageBoxen: Immer Protokoll in ClipBoard retten?");
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    putControl(frame, WinSettings, 0, heading, 5, 171, 450, 20);
    putLabel(frame, "Tabellen-Protokoll:", 5, 196, 130);
    putChoice(frame, WinSettings, IdSetMsgBoxTable,
              {"Nicht sichern", "Tabelle, mit Rahmendaten", "Tabelle, nur Datenbereich", "Tabellendaten + Überschrift",
               "Tabellendaten + Zeilennum."},
              0, 140, 194, 180,
              "Programmatische MessageBoxen blockieren die Bedienung. Hiermit kann das aktuelle Tabellen-Protokoll im "
              "gewählten Format vor jedem Öffnen in ClipBoard gesicht werden.");
    putLabel(frame, "Listen-Protokoll:", 5, 226, 130);
    putChoice(frame, WinSettings, IdSetMsgBoxList,
              {"Nicht sichern", "Werte als Strings (kplt.)", "Werte als Zahlen", "Abfrage und Strings (kplt.)",
               "Abfrage und Zahlenwerte"},
              0, 140, 224, 180,
              "Programmatische MessageBoxen blockieren die Bedienung. Hiermit kann das aktuelle Listen-Protokoll im "
              "gewählten Format vor jedem Öffnen in ClipBoard gesicht werden.");

    putFrame(page, WinSettings, IdSetAutoLoadFrame, " Listen autom. laden", 2, 296, 547, 99);
    GtkWidget* rows = putControl(page, WinSettings, 0, gtk_fixed_new(), 2, 296, 547, 99);
    putAutoLoadRow(rows, IdSetAutoLoadSettings, "Port 0-Setting", IdSetAutoLoadSettingsFile, IdSetAutoLoadSettingsChoose,
                   20, false);
    setControlEnabled(WinSettings, IdSetAutoLoadSettings, false);
    setControlEnabled(WinSettings, IdSetAutoLoadSettingsChoose, false);
    putAutoLoadRow(rows, IdSetAutoLoadCommands, "Kommandoliste", IdSetAutoLoadCommandsFile, IdSetAutoLoadCommandsChoose,
                   45, true);
    putAutoLoadRow(rows, IdSetAutoLoadProgram, "Programm", IdSetAutoLoadProgramFile, IdSetAutoLoadProgramChoose, 70,
                   true);
    // The settings window was shown whole before this page was built.
    gtk_widget_show_all(page);
}

void loadIniFile()
{
    std::string bytes;
    if (!readWholeFile(iniPath(), bytes))
        return;
    // Text fields must get valid text whatever the file holds.
    IniFile ini(safeText(bytes));
    const char* windows = "WINDOWPOS";
    for (int window = WinMain; window <= WinProtocol; ++window) {
        static const char* const keys[] = {"WinMainOn", "WinCmdOn", "WinPrgOn", "WinSetOn", "WinPtkOn"};
        savedVisible[window] = ini.number(windows, keys[window], window == WinMain ? 1 : 0) != 0;
    }
    int64_t w0 = 0, h0 = 0;
    {
        GdkRectangle area;
        gdk_screen_get_monitor_geometry(gdk_screen_get_default(), 0, &area);
        w0 = area.width;
        h0 = area.height;
    }
    auto [mainX, mainY] = clampMainWindow(ini.number(windows, "WinMainX", 0), ini.number(windows, "WinMainY", h0 - 222),
                                          w0, h0);
    std::array<WindowPlace, 4> places = defaultPlaces();
    for (WindowPlace& place : places) {
        std::string prefix = place.prefix;
        // A size outside what the monitor can show is no size to restore.
        place.width = std::clamp<int64_t>(ini.number(windows, prefix + "W", place.width), 100, std::max<int64_t>(w0, 100));
        place.height = std::clamp<int64_t>(ini.number(windows, prefix + "H", place.height), 100, std::max<int64_t>(h0, 100));
        auto [x, y] = clampWindow(ini.number(windows, prefix + "X", place.x), ini.number(windows, prefix + "Y", place.y),
                                  place.width, place.height, w0, h0);
        place.x = std::max<int64_t>(x, 0);
        place.y = std::max<int64_t>(y, 0);
    }

    const char* autoLoad = "AUTOLOAD";
    bool loadCommands = ini.number(autoLoad, "AutoCommandLoadOn", 0) != 0;
    std::string commandFile = ini.text(autoLoad, "CommandFile", "");
    bool loadProgram = ini.number(autoLoad, "AutoProgrammLoadOn", 0) != 0;
    std::string programFile = ini.text(autoLoad, "ProgrammFile", "");
    const char* application = "APPLIKATION";
    shell.aboutAtStart = ini.number(application, "AppAboutAuto", 1) != 0;

    if (savedVisible[WinSettings]) {
        showOrToggleWindow(WinSettings);
        gtk_window_move(GTK_WINDOW(windowWidget(WinSettings)), static_cast<int>(places[2].x), static_cast<int>(places[2].y));
    }
    gtk_widget_show(windowWidget(WinMain));
    gtk_window_move(GTK_WINDOW(windowWidget(WinMain)), static_cast<int>(mainX), static_cast<int>(mainY));
    for (const WindowPlace& place : places) {
        if (place.window == WinSettings)
            continue;
        showOrToggleWindow(place.window);
        GtkWindow* widget = GTK_WINDOW(windowWidget(place.window));
        gtk_window_move(widget, static_cast<int>(place.x), static_cast<int>(place.y));
        gtk_window_resize(widget, static_cast<int>(place.width), static_cast<int>(place.height));
    }

    if (windowExists(WinSettings)) {
        SilentChange silent;
        setToggleState(WinSettings, IdSetAboutAuto, shell.aboutAtStart);
        setToggleState(WinSettings, IdSetWarnUnsaved, ini.number(application, "AppUnsavedAlert", 1) != 0);
        setToggleState(WinSettings, IdSetAutoColumnWidth, ini.number(application, "AppAutoClmnWidth", 1) != 0);
        choose(IdSetGlobalBeeps, ini.number(application, "AppGlobalBeeps", 3), 4);
        setToggleState(WinSettings, IdSetResetLines, ini.number(application, "AppRstDTRRTS", 1) != 0);
        choose(IdSetMsgBoxTable, ini.number(application, "AppMBSaveTblProt", 0), 5);
        choose(IdSetMsgBoxList, ini.number(application, "AppMBSaveLstProt", 0), 5);
        setToggleState(WinSettings, IdSetAutoLoadCommands, loadCommands);
        setControlText(WinSettings, IdSetAutoLoadCommandsFile, commandFile);
        setToggleState(WinSettings, IdSetAutoLoadProgram, loadProgram);
        setControlText(WinSettings, IdSetAutoLoadProgramFile, programFile);
        enableAutoLoadRow(IdSetAutoLoadCommands);
        enableAutoLoadRow(IdSetAutoLoadProgram);

        const char* protocolGroup = "PROTOKOLL";
        bool autosave = ini.number(protocolGroup, "ProtAutoSaveOn", 0) != 0;
        setToggleState(WinSettings, IdSetAutosave, autosave);
        setControlText(WinSettings, IdSetAutosaveInterval, ini.text(protocolGroup, "ProtAutoSaveInterval", "1"));
        setToggleState(WinSettings, IdSetAutosaveTemp, autosave && ini.number(protocolGroup, "ProtAutoSave2Temp", 0) != 0);
        setControlEnabled(WinSettings, IdSetAutosaveTemp, autosave);
        setToggleState(WinSettings, IdSetProtocolOn, ini.number(protocolGroup, "ProtActivate", 1) != 0);
        setToggleState(WinSettings, IdSetAsExcel, ini.number(protocolGroup, "ProtAsExcel", 0) != 0);
        setToggleState(WinSettings, IdSetAsList, ini.number(protocolGroup, "ProtAsList", 1) != 0);
        setToggleState(WinSettings, IdSetAsTable, ini.number(protocolGroup, "ProtAsTable", 0) != 0);
        setToggleState(WinSettings, IdSetInternalCommands, ini.number(protocolGroup, "ProtLstOutCtrl", 1) != 0);
        setToggleState(WinSettings, IdSetPortCommands, ini.number(protocolGroup, "ProtLstOutPort", 1) != 0);
        choose(IdSetTableContent, ini.number(protocolGroup, "ProtTblValueAs", 0), 3);
        setControlText(WinSettings, IdSetMaxCols, ini.text(protocolGroup, "ProtTblMaxCols", "24"));
        setControlText(WinSettings, IdSetColumnWidth, ini.text(protocolGroup, "ProtTblColW", "60"));
        setControlText(WinSettings, IdSetMaxRows, ini.text(protocolGroup, "ProtTblMaxRows", "4096"));
        setControlText(WinSettings, IdSetColumns, ini.text(protocolGroup, "ProtTblColNum", "2"));
        postEvent(EvControl, WinSettings, IdSetApplyProtocol);
    }
    if (shell.aboutAtStart)
        showOrToggleWindow(WinAbout);
}

void saveIniFile()
{
    IniWriter ini;
    ini.group("WINDOWPOS");
    static const char* const visibleKeys[] = {"WinMainOn", "WinCmdOn", "WinPrgOn", "WinSetOn", "WinPtkOn"};
    for (int window = WinMain; window <= WinProtocol; ++window)
        ini.add(visibleKeys[window], windowVisible(window) ? 1 : 0);
    // Every window is shown, so that the window manager tells its place.
    for (int window = WinMain; window <= WinProtocol; ++window) {
        if (GtkWidget* widget = windowWidget(window))
            gtk_widget_show(widget);
    }
    std::array<int64_t, 4> main = placeOf(WinMain);
    ini.add("WinMainX", std::max<int64_t>(main[0], 4));
    ini.add("WinMainY", main[1]);
    ini.add("WinMainW", main[2]);
    ini.add("WinMainH", main[3]);
    for (const WindowPlace& place : defaultPlaces()) {
        std::array<int64_t, 4> values = placeOf(place.window);
        static const char* const suffixes[] = {"X", "Y", "W", "H"};
        for (int k = 0; k < 4; ++k)
            ini.add(std::string(place.prefix) + suffixes[k], values[k]);
    }

    ini.group("PORTDEFAULT");
    int port = chosen(IdSetPortBox);
    ini.add("PortNo", port);
    ini.add("PortNoNameWin", port >= 0 ? controlText(WinSettings, IdSetPortBox) : "");
    ini.add("PortTag", controlText(WinSettings, IdSetPortTag));
    ini.add("PortFileName", controlText(WinSettings, IdSetFileName));
    ini.add("PortUnitType", controlText(WinSettings, IdSetDevice));
    ini.add("PortBaudRate", chosen(IdSetBaud));
    ini.add("PortDataBits", chosen(IdSetDataBits));
    ini.add("PortStopBits", chosen(IdSetStopBits));
    ini.add("PortParity", chosen(IdSetParity));
    ini.add("PortHandshake", chosen(IdSetHandshake));
    ini.add("PortInBufferSize", controlText(WinSettings, IdSetInBuffer));
    ini.add("PortOutBufferSize", controlText(WinSettings, IdSetOutBuffer));

    ini.group("APPLIKATION");
    ini.add("AppAboutAuto", shell.aboutAtStart ? 1 : 0);
    ini.add("AppUnsavedAlert", flag(IdSetWarnUnsaved));
    ini.add("AppAutoClmnWidth", flag(IdSetAutoColumnWidth));
    ini.add("AppGlobalBeeps", chosen(IdSetGlobalBeeps));
    ini.add("AppRestoreWindows", flag(IdSetRestoreWindows));
    ini.add("AppRstDTRRTS", flag(IdSetResetLines));
    ini.add("AppMBSaveTblProt", chosen(IdSetMsgBoxTable));
    ini.add("AppMBSaveLstProt", chosen(IdSetMsgBoxList));

    ini.group("PROTOKOLL");
    ini.add("ProtAutoSaveOn", flag(IdSetAutosave));
    ini.add("ProtAutoSaveInterval", controlText(WinSettings, IdSetAutosaveInterval));
    ini.add("ProtAutoSave2Temp", flag(IdSetAutosaveTemp));
    ini.add("ProtActivate", flag(IdSetProtocolOn));
    ini.add("ProtAsExcel", flag(IdSetAsExcel));
    ini.add("ProtAsList", flag(IdSetAsList));
    ini.add("ProtAsTable", flag(IdSetAsTable));
    ini.add("ProtLstOutCtrl", flag(IdSetInternalCommands));
    ini.add("ProtLstOutPort", flag(IdSetPortCommands));
    ini.add("ProtTblFormat", chosen(IdSetTableFormat));
    ini.add("ProtTblValueAs", chosen(IdSetTableContent));
    ini.add("ProtTblMaxCols", controlText(WinSettings, IdSetMaxCols));
    ini.add("ProtTblColW", controlText(WinSettings, IdSetColumnWidth));
    ini.add("ProtTblMaxRows", controlText(WinSettings, IdSetMaxRows));
    ini.add("ProtTblColNum", controlText(WinSettings, IdSetColumns));

    ini.group("AUTOLOAD");
    ini.add("AutoSettingLoadOn", flag(IdSetAutoLoadSettings));
    ini.add("Port0File", controlText(WinSettings, IdSetAutoLoadSettingsFile));
    ini.add("AutoCommandLoadOn", flag(IdSetAutoLoadCommands));
    ini.add("CommandFile", controlText(WinSettings, IdSetAutoLoadCommandsFile));
    ini.add("AutoProgrammLoadOn", flag(IdSetAutoLoadProgram));
    ini.add("ProgrammFile", controlText(WinSettings, IdSetAutoLoadProgramFile));
    // Replaced whole or not at all; a file that cannot be written ends the program all the same.
    writeFileAtomic(iniPath(), ini.text());
}

void chooseAutoLoadFile(int buttonId)
{
    bool commands = buttonId == IdSetAutoLoadCommandsChoose;
    if (!commands && buttonId != IdSetAutoLoadProgramChoose)
        return;
    std::string& dir = commands ? commandsDir : programsDir;
    std::string path = fileDialog(WinSettings, false, commands ? "QuirloKommandodatei wählen" : "QuirloProgramm wählen",
                                  commands ? "Kommandoliste (*.cml)|*.cml" : "Programm (*.run)|*.run", dir);
    if (path.empty())
        return;
    setControlText(WinSettings, commands ? IdSetAutoLoadCommandsFile : IdSetAutoLoadProgramFile, path);
    dir = directoryOf(path);
}

void enableAutoLoadRow(int boxId)
{
    bool on = toggleState(WinSettings, boxId);
    if (boxId == IdSetAutoLoadCommands) {
        setControlEnabled(WinSettings, IdSetAutoLoadCommandsFile, on);
        setControlEnabled(WinSettings, IdSetAutoLoadCommandsChoose, on);
    } else if (boxId == IdSetAutoLoadProgram) {
        setControlEnabled(WinSettings, IdSetAutoLoadProgramFile, on);
        setControlEnabled(WinSettings, IdSetAutoLoadProgramChoose, on);
    }
}

bool savedWindowVisible(int window)
{
    return window >= WinMain && window <= WinProtocol && savedVisible[window];
}
