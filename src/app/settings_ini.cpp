// Quirlo.ini, the settings window's page "Applikation" and its auto-load rows.
#include "app/settings_ini.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>

#include "app/ini_file.h"
#include "app/settings_window.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "protocol/diagram_window.h"
#include "protocol/protocol_export.h"
#include "run/direct_input_window.h"
#include "serial/port_address.h"
#include "serial/port_discovery.h"
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

enum SettingKind { Check, Choice, Text };

// An option of the settings window kept in Quirlo.ini: loading, saving and the defaults walk
// this one table, in the order the file holds the keys.
struct Setting {
    const char* group;
    const char* key;
    int id;
    SettingKind kind;
    const char* fallback; // a check box's 0/1, a list's index, a field's text
    bool read;            // false: written for other tools, never read back
    int choices;          // the number of items of a list
};

const Setting settings[] = {
    {"APPLIKATION", "AppAboutAuto", IdSetAboutAuto, Check, "1", true, 0},
    {"APPLIKATION", "AppUnsavedAlert", IdSetWarnUnsaved, Check, "1", true, 0},
    {"APPLIKATION", "AppAutoClmnWidth", IdSetAutoColumnWidth, Check, "1", true, 0},
    {"APPLIKATION", "AppGlobalBeeps", IdSetGlobalBeeps, Choice, "3", true, 4},
    {"APPLIKATION", "AppRestoreWindows", IdSetRestoreWindows, Check, "0", false, 0},
    {"APPLIKATION", "AppRstDTRRTS", IdSetResetLines, Check, "1", true, 0},
    {"APPLIKATION", "AppMBSaveTblProt", IdSetMsgBoxTable, Choice, "0", true, 5},
    {"APPLIKATION", "AppMBSaveLstProt", IdSetMsgBoxList, Choice, "0", true, 5},
    {"PROTOKOLL", "ProtAutoSaveOn", IdSetAutosave, Check, "0", true, 0},
    {"PROTOKOLL", "ProtAutoSaveInterval", IdSetAutosaveInterval, Text, "1", true, 0},
    {"PROTOKOLL", "ProtAutoSave2Temp", IdSetAutosaveTemp, Check, "0", true, 0},
    {"PROTOKOLL", "ProtActivate", IdSetProtocolOn, Check, "1", true, 0},
    {"PROTOKOLL", "ProtAsExcel", IdSetAsExcel, Check, "0", true, 0},
    {"PROTOKOLL", "ProtAsList", IdSetAsList, Check, "1", true, 0},
    {"PROTOKOLL", "ProtAsTable", IdSetAsTable, Check, "0", true, 0},
    {"PROTOKOLL", "ProtLstOutCtrl", IdSetInternalCommands, Check, "1", true, 0},
    {"PROTOKOLL", "ProtLstOutPort", IdSetPortCommands, Check, "1", true, 0},
    {"PROTOKOLL", "ProtTblFormat", IdSetTableFormat, Choice, "1", false, 2},
    {"PROTOKOLL", "ProtTblValueAs", IdSetTableContent, Choice, "0", true, 3},
    {"PROTOKOLL", "ProtTblMaxCols", IdSetMaxCols, Text, "24", true, 0},
    {"PROTOKOLL", "ProtTblColW", IdSetColumnWidth, Text, "60", true, 0},
    {"PROTOKOLL", "ProtTblMaxRows", IdSetMaxRows, Text, "4096", true, 0},
    {"PROTOKOLL", "ProtTblColNum", IdSetColumns, Text, "2", true, 0},
    {"AUTOLOAD", "AutoSettingLoadOn", IdSetAutoLoadSettings, Check, "0", false, 0},
    {"AUTOLOAD", "Port0File", IdSetAutoLoadSettingsFile, Text, "", false, 0},
    {"AUTOLOAD", "AutoCommandLoadOn", IdSetAutoLoadCommands, Check, "0", true, 0},
    {"AUTOLOAD", "CommandFile", IdSetAutoLoadCommandsFile, Text, "", true, 0},
    {"AUTOLOAD", "AutoProgrammLoadOn", IdSetAutoLoadProgram, Check, "0", true, 0},
    {"AUTOLOAD", "ProgrammFile", IdSetAutoLoadProgramFile, Text, "", true, 0},
};

std::string iniPath()
{
    return shell.programDir + "Quirlo.ini";
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

// A saved place (x, y, width, height) held on monitor 0 of width w0 and height h0: a size
// outside what the monitor can show is no size to restore, and the whole window fits.
std::array<int64_t, 4> heldPlace(std::array<int64_t, 4> place, int64_t w0, int64_t h0)
{
    int64_t width = std::clamp<int64_t>(place[2], 100, std::max<int64_t>(w0, 100));
    int64_t height = std::clamp<int64_t>(place[3], 100, std::max<int64_t>(h0, 100));
    auto [x, y] = clampWindow(place[0], place[1], width, height, w0, h0);
    return {std::max<int64_t>(x, 0), std::max<int64_t>(y, 0), width, height};
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
    putChoice(frame, WinSettings, IdSetMsgBoxTable, exportChoices(true), 0, 140, 194, 180,
              "Programmatische MessageBoxen blockieren die Bedienung. Hiermit kann das aktuelle Tabellen-Protokoll im "
              "gewählten Format vor jedem Öffnen in ClipBoard gesicht werden.");
    putLabel(frame, "Listen-Protokoll:", 5, 226, 130);
    putChoice(frame, WinSettings, IdSetMsgBoxList, exportChoices(false), 0, 140, 224, 180,
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

void loadAddedPorts()
{
    addedPorts.clear();
    std::string bytes;
    if (!readWholeFile(iniPath(), bytes))
        return;
    IniFile ini(safeText(bytes));
    int number = 1;
    for (;; ++number) {
        PortAddress address;
        std::string name = ini.text("MANUELLEPORTS", "Port" + std::to_string(number), "");
        if (name.empty())
            break;
        // A file edited by hand keeps to what the settings page accepts.
        if (addedPorts.size() < maxAddedPorts && parsePortAddress(name, g_get_home_dir(), address).empty())
            addedPorts.push_back(address.name);
    }
    if (number - 1 > static_cast<int>(maxAddedPorts))
        messageBox(WinMain, "Quirlo",
                   "Quirlo.ini nennt " + std::to_string(number - 1) + " manuelle Ports; übernommen werden nur die ersten " +
                       std::to_string(maxAddedPorts) + ".",
                   IconWarning, ButtonsOk);
}

void loadIniFile()
{
    std::string bytes;
    if (!readWholeFile(iniPath(), bytes))
        return;
    // Text fields must get valid text whatever the file holds.
    IniFile ini(safeText(bytes));
    lastListFile(IdCmdList) = ini.text("LASTFILES", "CommandFile", "");
    lastListFile(IdPrgList) = ini.text("LASTFILES", "ProgramFile", "");
    readDiagramKeys(diagramOptions(), [&](const std::string& key) { return ini.text("DIAGRAMM", key, ""); });
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
    DirectInputOptions& direct = directInputOptions();
    readDirectInputKeys(direct, [&](const std::string& key) { return ini.text("DIREKTEINGABE", key, ""); });
    if (direct.longLines > 0)
        messageBox(WinMain, "Quirlo",
                   "Quirlo.ini: " + std::to_string(direct.longLines) + " Zeile(n) der Direkteingabe länger als " +
                       std::to_string(SendHistory::lineLimit) + " Zeichen nicht übernommen.",
                   IconWarning, ButtonsOk);
    if (direct.placeKnown) {
        std::array<int64_t, 4> held = heldPlace({direct.x, direct.y, direct.width, direct.height}, w0, h0);
        direct.x = static_cast<int>(held[0]);
        direct.y = static_cast<int>(held[1]);
        direct.width = static_cast<int>(held[2]);
        direct.height = static_cast<int>(held[3]);
    }
    auto [mainX, mainY] = clampMainWindow(ini.number(windows, "WinMainX", 0), ini.number(windows, "WinMainY", h0 - 222),
                                          w0, h0);
    std::array<WindowPlace, 4> places = defaultPlaces();
    for (WindowPlace& place : places) {
        std::string prefix = place.prefix;
        std::array<int64_t, 4> held =
            heldPlace({ini.number(windows, prefix + "X", place.x), ini.number(windows, prefix + "Y", place.y),
                       ini.number(windows, prefix + "W", place.width), ini.number(windows, prefix + "H", place.height)},
                      w0, h0);
        place.x = held[0];
        place.y = held[1];
        place.width = held[2];
        place.height = held[3];
    }

    shell.aboutAtStart = ini.number("APPLIKATION", "AppAboutAuto", 1) != 0;

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
        for (const Setting& setting : settings) {
            if (!setting.read)
                continue;
            switch (setting.kind) {
            case Check:
                setToggleState(WinSettings, setting.id,
                               ini.number(setting.group, setting.key, intValue(setting.fallback)) != 0);
                break;
            case Choice:
                choose(setting.id, ini.number(setting.group, setting.key, intValue(setting.fallback)), setting.choices);
                break;
            case Text: setControlText(WinSettings, setting.id, ini.text(setting.group, setting.key, setting.fallback)); break;
            }
        }
        // The temporary directory counts only while autosave is on.
        bool autosave = toggleState(WinSettings, IdSetAutosave);
        setToggleState(WinSettings, IdSetAutosaveTemp, autosave && toggleState(WinSettings, IdSetAutosaveTemp));
        setControlEnabled(WinSettings, IdSetAutosaveTemp, autosave);
        enableAutoLoadRow(IdSetAutoLoadCommands);
        enableAutoLoadRow(IdSetAutoLoadProgram);
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
    int port = chosenIndex(WinSettings, IdSetPortBox);
    ini.add("PortNo", port);
    ini.add("PortNoNameWin", port >= 0 ? controlText(WinSettings, IdSetPortBox) : "");
    ini.add("PortTag", controlText(WinSettings, IdSetPortTag));
    ini.add("PortFileName", controlText(WinSettings, IdSetFileName));
    ini.add("PortUnitType", controlText(WinSettings, IdSetDevice));
    ini.add("PortBaudRate", chosenIndex(WinSettings, IdSetBaud));
    ini.add("PortDataBits", chosenIndex(WinSettings, IdSetDataBits));
    ini.add("PortStopBits", chosenIndex(WinSettings, IdSetStopBits));
    ini.add("PortParity", chosenIndex(WinSettings, IdSetParity));
    ini.add("PortHandshake", chosenIndex(WinSettings, IdSetHandshake));
    ini.add("PortInBufferSize", controlText(WinSettings, IdSetInBuffer));
    ini.add("PortOutBufferSize", controlText(WinSettings, IdSetOutBuffer));

    std::string group;
    for (const Setting& setting : settings) {
        if (group != setting.group)
            ini.group(group = setting.group);
        if (setting.id == IdSetAboutAuto)
            ini.add(setting.key, shell.aboutAtStart ? 1 : 0);
        else if (setting.kind == Check)
            ini.add(setting.key, flag(setting.id));
        else if (setting.kind == Choice)
            ini.add(setting.key, chosenIndex(WinSettings, setting.id));
        else
            ini.add(setting.key, controlText(WinSettings, setting.id));
    }
    // A group of its own, written only when there is something in it: files of the old form
    // stay as they were.
    if (!lastListFile(IdCmdList).empty() || !lastListFile(IdPrgList).empty()) {
        ini.group("LASTFILES");
        ini.add("CommandFile", lastListFile(IdCmdList));
        ini.add("ProgramFile", lastListFile(IdPrgList));
    }
    if (!addedPorts.empty()) {
        ini.group("MANUELLEPORTS");
        for (size_t k = 0; k < addedPorts.size(); ++k)
            ini.add("Port" + std::to_string(k + 1), addedPorts[k]);
    }
    // Written only for those who use the diagram: other files stay as they were.
    if (windowExists(WinDiagram))
        diagramOptions().open = windowVisible(WinDiagram);
    if (diagramKeys(diagramOptions()) != diagramKeys(DiagramOptions{})) {
        ini.group("DIAGRAMM");
        for (const auto& [key, value] : diagramKeys(diagramOptions()))
            ini.add(key, value);
    }
    // Written for those who used the window, as the diagram's group is.
    storeDirectInputOptions();
    DirectInputOptions& direct = directInputOptions();
    if (windowExists(WinDirect)) {
        std::array<int64_t, 4> place = placeOf(WinDirect);
        direct.x = static_cast<int>(place[0]);
        direct.y = static_cast<int>(place[1]);
        direct.width = static_cast<int>(place[2]);
        direct.height = static_cast<int>(place[3]);
        direct.placeKnown = true;
    }
    if (direct.placeKnown || !direct.history.empty()) {
        ini.group("DIREKTEINGABE");
        for (const auto& [key, value] : directInputKeys(direct))
            ini.add(key, value);
    }
    // Replaced whole or not at all; a file that cannot be written ends the program all the same,
    // but the user learns that this session's settings are lost.
    std::string reason;
    if (!writeFileAtomic(iniPath(), ini.text(), &reason))
        messageBox(WinMain, "Quirlo",
                   "Quirlo.ini konnte nicht gespeichert werden, die Einstellungen dieser Sitzung gehen verloren!\n" +
                       iniPath() + "\n" + reason,
                   IconWarning, ButtonsOk);
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
