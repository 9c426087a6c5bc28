// Quirlo.ini, the settings window's page "Applikation" and its auto-load rows.
#include "app/settings_ini.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>

#include "common/ini_file.h"
#include "common/ini_settings.h"
#include "app/settings_window.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "diagram/diagram_data.h"
#include "diagram/diagram_window.h"
#include "protocol/protocol_export.h"
#include "run/direct_input.h"
#include "run/direct_input_window.h"
#include "serial/port_address.h"
#include "serial/port_commands.h"
#include "serial/port_discovery.h"
#include "serial/settings_port_page.h"
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

void choose(int id, int64_t index, int count)
{
    if (GtkWidget* widget = controlWidget(WinSettings, id))
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget), index >= 0 && index < count ? static_cast<int>(index) : -1);
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
    bool read = true;     // false: written for other tools, never read back
    int choices = 0;      // the number of items of a list
};

const Setting settings[] = {
    {.group = "APPLIKATION", .key = "AppAboutAuto", .id = IdSetAboutAuto, .kind = Check, .fallback = "1"},
    {.group = "APPLIKATION", .key = "AppUnsavedAlert", .id = IdSetWarnUnsaved, .kind = Check, .fallback = "1"},
    {.group = "APPLIKATION", .key = "AppAutoClmnWidth", .id = IdSetAutoColumnWidth, .kind = Check, .fallback = "1"},
    {.group = "APPLIKATION", .key = "AppGlobalBeeps", .id = IdSetGlobalBeeps, .kind = Choice, .fallback = "3", .choices = 4},
    {.group = "APPLIKATION", .key = "AppRestoreWindows", .id = IdSetRestoreWindows, .kind = Check, .fallback = "0", .read = false},
    {.group = "APPLIKATION", .key = "AppRstDTRRTS", .id = IdSetResetLines, .kind = Check, .fallback = "1"},
    {.group = "APPLIKATION", .key = "AppMBSaveTblProt", .id = IdSetMsgBoxTable, .kind = Choice, .fallback = "0", .choices = 5},
    {.group = "APPLIKATION", .key = "AppMBSaveLstProt", .id = IdSetMsgBoxList, .kind = Choice, .fallback = "0", .choices = 5},
    {.group = "PROTOKOLL", .key = "ProtAutoSaveOn", .id = IdSetAutosave, .kind = Check, .fallback = "0"},
    {.group = "PROTOKOLL", .key = "ProtAutoSaveInterval", .id = IdSetAutosaveInterval, .kind = Text, .fallback = "1"},
    {.group = "PROTOKOLL", .key = "ProtAutoSave2Temp", .id = IdSetAutosaveTemp, .kind = Check, .fallback = "0"},
    {.group = "PROTOKOLL", .key = "ProtActivate", .id = IdSetProtocolOn, .kind = Check, .fallback = "1"},
    {.group = "PROTOKOLL", .key = "ProtAsExcel", .id = IdSetAsExcel, .kind = Check, .fallback = "0"},
    {.group = "PROTOKOLL", .key = "ProtAsList", .id = IdSetAsList, .kind = Check, .fallback = "1"},
    {.group = "PROTOKOLL", .key = "ProtAsTable", .id = IdSetAsTable, .kind = Check, .fallback = "0"},
    {.group = "PROTOKOLL", .key = "ProtLstOutCtrl", .id = IdSetInternalCommands, .kind = Check, .fallback = "1"},
    {.group = "PROTOKOLL", .key = "ProtLstOutPort", .id = IdSetPortCommands, .kind = Check, .fallback = "1"},
    {.group = "PROTOKOLL", .key = "ProtTblFormat", .id = IdSetTableFormat, .kind = Choice, .fallback = "1", .read = false, .choices = 2},
    {.group = "PROTOKOLL", .key = "ProtTblValueAs", .id = IdSetTableContent, .kind = Choice, .fallback = "0", .choices = 3},
    {.group = "PROTOKOLL", .key = "ProtTblMaxCols", .id = IdSetMaxCols, .kind = Text, .fallback = "24"},
    {.group = "PROTOKOLL", .key = "ProtTblColW", .id = IdSetColumnWidth, .kind = Text, .fallback = "60"},
    {.group = "PROTOKOLL", .key = "ProtTblMaxRows", .id = IdSetMaxRows, .kind = Text, .fallback = "4096"},
    {.group = "PROTOKOLL", .key = "ProtTblColNum", .id = IdSetColumns, .kind = Text, .fallback = "2"},
    {.group = "AUTOLOAD", .key = "AutoSettingLoadOn", .id = IdSetAutoLoadSettings, .kind = Check, .fallback = "0", .read = false},
    {.group = "AUTOLOAD", .key = "Port0File", .id = IdSetAutoLoadSettingsFile, .kind = Text, .fallback = "", .read = false},
    {.group = "AUTOLOAD", .key = "AutoCommandLoadOn", .id = IdSetAutoLoadCommands, .kind = Check, .fallback = "0"},
    {.group = "AUTOLOAD", .key = "CommandFile", .id = IdSetAutoLoadCommandsFile, .kind = Text, .fallback = ""},
    {.group = "AUTOLOAD", .key = "AutoProgrammLoadOn", .id = IdSetAutoLoadProgram, .kind = Check, .fallback = "0"},
    {.group = "AUTOLOAD", .key = "ProgrammFile", .id = IdSetAutoLoadProgramFile, .kind = Text, .fallback = ""},
};

// The setting's key, bound to its control. "Infofenster automatisch öffnen" is also the shell's
// own choice, which the file keeps even while the settings window is not built.
IniKey settingKey(const Setting& setting)
{
    int id = setting.id;
    IniKey key{setting.key, nullptr, nullptr, std::string(setting.fallback)};
    switch (setting.kind) {
    case Check:
        key.write = [id] { return std::to_string(toggleState(WinSettings, id) ? 1 : 0); };
        key.read = [id](const std::string& value) { setToggleState(WinSettings, id, iniNumber(value) != 0); };
        break;
    case Choice:
        key.write = [id] { return std::to_string(chosenIndex(WinSettings, id)); };
        key.read = [id, count = setting.choices](const std::string& value) { choose(id, iniNumber(value), count); };
        break;
    case Text:
        key.write = [id] { return controlText(WinSettings, id); };
        key.read = [id](const std::string& value) { setControlText(WinSettings, id, value); };
        break;
    }
    if (id == IdSetAboutAuto) {
        key.write = [] { return std::string(shell.aboutAtStart ? "1" : "0"); };
        key.read = [](const std::string& value) {
            shell.aboutAtStart = iniNumber(value) != 0;
            setToggleState(WinSettings, IdSetAboutAuto, shell.aboutAtStart);
        };
    }
    if (!setting.read)
        key.read = nullptr;
    return key;
}

// The places and the visibility of the windows as Quirlo.ini holds them: read before the
// windows are placed, taken from them before the file is written.
struct WindowState {
    std::array<int64_t, 5> visible{}; // windows 0-4
    std::array<int64_t, 4> main{};    // x, y, width, height
    std::array<std::array<int64_t, 4>, 4> places{}; // those of defaultPlaces(), in its order
} windowState;

IniGroup windowPositionsGroup()
{
    IniGroup group("WINDOWPOS");
    static const char* const visibleKeys[] = {"WinMainOn", "WinCmdOn", "WinPrgOn", "WinSetOn", "WinPtkOn"};
    for (int window = WinMain; window <= WinProtocol; ++window)
        group.keys.push_back(numberKey(visibleKeys[window], windowState.visible[window]));
    static const char* const suffixes[] = {"X", "Y", "W", "H"};
    for (int k = 0; k < 4; ++k) {
        group.keys.push_back(numberKey(std::string("WinMain") + suffixes[k], windowState.main[k]));
        // The main window's size follows its contents: it is written for other tools.
        if (k >= 2)
            group.keys.back().read = nullptr;
    }
    std::array<WindowPlace, 4> places = defaultPlaces();
    for (size_t place = 0; place < places.size(); ++place) {
        for (int k = 0; k < 4; ++k)
            group.keys.push_back(numberKey(places[place].prefix + std::string(suffixes[k]), windowState.places[place][k]));
    }
    return group;
}

} // namespace

void registerIniGroups()
{
    clearIniGroups();
    registerIniGroup(windowPositionsGroup());
    registerIniGroup(portDefaultIniGroup());
    for (const char* name : {"APPLIKATION", "PROTOKOLL", "AUTOLOAD"}) {
        IniGroup group(name);
        for (const Setting& setting : settings) {
            if (group.name == setting.group)
                group.keys.push_back(settingKey(setting));
        }
        registerIniGroup(std::move(group));
    }
    registerIniGroup(lastFilesIniGroup());
    registerIniGroup(addedPortsIniGroup());
    registerIniGroup(diagramIniGroup(diagramOptions()));
    registerIniGroup(directInputIniGroup(directInputOptions()));
}

namespace {

std::string iniPath()
{
    return shell.programDir + "Quirlo.ini";
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

namespace {

// Quirlo.ini as it stands, its text made safe for the controls; false when there is none.
bool readIni(std::string& text)
{
    std::string bytes;
    if (!readWholeFile(iniPath(), bytes))
        return false;
    text = safeText(bytes);
    return true;
}

} // namespace

void loadAddedPorts()
{
    addedPorts.clear();
    std::string text;
    if (readIni(text))
        readIniGroup(IniFile(text), "MANUELLEPORTS");
}

void loadIniFile()
{
    std::string text;
    if (!readIni(text))
        return;
    int64_t w0 = 0, h0 = 0;
    {
        GdkRectangle area;
        gdk_screen_get_monitor_geometry(gdk_screen_get_default(), 0, &area);
        w0 = area.width;
        h0 = area.height;
    }
    // What the file does not name keeps its default.
    windowState.visible = {1, 0, 0, 0, 0};
    windowState.main = {0, h0 - 222, 0, 0};
    std::array<WindowPlace, 4> places = defaultPlaces();
    for (size_t k = 0; k < places.size(); ++k)
        windowState.places[k] = {places[k].x, places[k].y, places[k].width, places[k].height};
    {
        SilentChange silent;
        readIniGroups(IniFile(text));
    }
    for (int window = WinMain; window <= WinProtocol; ++window)
        savedVisible[window] = windowState.visible[window] != 0;
    DirectInputOptions& direct = directInputOptions();
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
    auto [mainX, mainY] = clampMainWindow(windowState.main[0], windowState.main[1], w0, h0);
    for (size_t k = 0; k < places.size(); ++k) {
        std::array<int64_t, 4> held = heldPlace(windowState.places[k], w0, h0);
        places[k].x = held[0];
        places[k].y = held[1];
        places[k].width = held[2];
        places[k].height = held[3];
    }

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
    for (int window = WinMain; window <= WinProtocol; ++window)
        windowState.visible[window] = windowVisible(window) ? 1 : 0;
    // Every window is shown, so that the window manager tells its place.
    for (int window = WinMain; window <= WinProtocol; ++window) {
        if (GtkWidget* widget = windowWidget(window))
            gtk_widget_show(widget);
    }
    windowState.main = placeOf(WinMain);
    windowState.main[0] = std::max<int64_t>(windowState.main[0], 4);
    std::array<WindowPlace, 4> places = defaultPlaces();
    for (size_t k = 0; k < places.size(); ++k)
        windowState.places[k] = placeOf(places[k].window);
    if (windowExists(WinDiagram))
        diagramOptions().open = windowVisible(WinDiagram);
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
    // Replaced whole or not at all; a file that cannot be written ends the program all the same,
    // but the user learns that this session's settings are lost.
    std::string reason;
    if (!writeFileAtomic(iniPath(), iniText(), &reason))
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
