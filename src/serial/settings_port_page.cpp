// The page "Port/COM/Handling" of the settings window: the choice of the port with its
// indicators, and the form of the chosen port's device settings.
#include "serial/settings_port_page.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "serial/device_io.h"
#include "serial/device_settings.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/popup_menus.h"
#include "ui/message_dialog.h"
#include "ui/resources.h"
#include "ui/windows.h"

namespace {

constexpr int indicatorCount = IdSetPortIndicatorLast - IdSetPortIndicatorFirst + 1;

// A click makes the port current; a right click opens its pop-up menu.
gboolean onIndicatorPressed(GtkWidget*, GdkEventButton* event, gpointer data)
{
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;
    if (event->button == 3)
        notePopupClick(event);
    postEvent(EvControl, WinSettings, GPOINTER_TO_INT(data), event->button == 3 ? CtlRightClick : CtlPlain);
    return TRUE;
}

// A 16-pixel picture of the group that acts as a button.
void putImageButton(GtkWidget* fixed, int id, int image, int x, const char* toolTip)
{
    GtkWidget* picture = newClickPicture(WinSettings, id, image);
    gtk_widget_set_tooltip_text(picture, toolTip);
    putControl(fixed, WinSettings, id, picture, x, 4, 16, 16);
}

void putIndicator(GtkWidget* fixed, int index)
{
    int id = IdSetPortIndicatorFirst + index;
    GtkWidget* box = gtk_event_box_new();
    GtkWidget* number = gtk_label_new(std::to_string(index).c_str());
    if (const PangoFontDescription* font = quirloFont(1))
        gtk_widget_modify_font(number, const_cast<PangoFontDescription*>(font));
    gtk_container_add(GTK_CONTAINER(box), number);
    g_signal_connect(box, "button-press-event", G_CALLBACK(onIndicatorPressed), GINT_TO_POINTER(id));
    putControl(fixed, WinSettings, id, box, 283 + 16 * index, 6, 16, 16);
    gtk_widget_set_sensitive(box, FALSE);
}

void putReadOnlyField(GtkWidget* fixed, int id, const char* text, int x, int y, int width, const char* toolTip)
{
    GtkWidget* field = putField(fixed, WinSettings, id, text, x, y, width, toolTip);
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
}

// A group whose controls' places are measured from its corner, heading included: they lie
// over the frame rather than inside it.
GtkWidget* putGroup(GtkWidget* page, const char* heading, int y, int height, const char* headingBackground)
{
    putFrame(page, WinSettings, 0, heading, 2, y, 547, height, headingBackground);
    return putControl(page, WinSettings, 0, gtk_fixed_new(), 2, y, 547, height);
}

// A labelled control: the label right-aligned in front of the control's x.
void putLabelFor(GtkWidget* fixed, const char* label, int controlX, int labelX, int y)
{
    int room = controlX - labelX - 4;
    fitLabel(putLabel(fixed, label, labelX, y, room), room, false);
}

void putList(GtkWidget* fixed, int id, const char* label, const std::vector<std::string>& choices, int x, int labelX,
             int y, const char* toolTip)
{
    putLabelFor(fixed, label, x, labelX, y);
    GtkWidget* box = putChoice(fixed, WinSettings, id, {}, -1, x, y - 1, 80, toolTip);
    for (const std::string& choice : choices)
        gtk_combo_box_append_text(GTK_COMBO_BOX(box), choice.c_str());
}

// A drop-down whose text can also be typed.
void putEditableList(GtkWidget* fixed, int id, const char* label, const std::vector<std::string>& choices,
                     const char* chosen, int x, int labelX, int y, const char* toolTip)
{
    putLabelFor(fixed, label, x, labelX, y);
    GtkWidget* box = gtk_combo_box_entry_new_text();
    for (const std::string& choice : choices)
        gtk_combo_box_append_text(GTK_COMBO_BOX(box), choice.c_str());
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(box))), chosen);
    gtk_widget_set_tooltip_text(box, toolTip);
    putControl(fixed, WinSettings, id, box, x, y - 1, 80, 26);
}

void putTextField(GtkWidget* fixed, int id, const char* label, const char* text, int x, int labelX, int y, int width,
                  const char* toolTip)
{
    putLabelFor(fixed, label, x, labelX, y);
    putField(fixed, WinSettings, id, text, x, y, width, toolTip);
}

void putDigitsField(GtkWidget* fixed, int id, const char* label, const char* text, int x, int labelX, int y,
                    const char* toolTip)
{
    putLabelFor(fixed, label, x, labelX, y);
    makeDigitsOnly(putField(fixed, WinSettings, id, text, x, y, 50, toolTip));
}

void putColumnHeading(GtkWidget* fixed, const char* text, int x)
{
    GtkWidget* heading = gtk_label_new(text);
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    if (const PangoFontDescription* font = quirloFont(0))
        gtk_widget_modify_font(heading, const_cast<PangoFontDescription*>(font));
    putControl(fixed, WinSettings, 0, heading, x, 18, 120, 20);
}

void buildComGroup(GtkWidget* page)
{
    // The form starts with the values of a fresh form.
    const SettingsForm fresh;
    GtkWidget* group = putGroup(page, " Geräte-COM-Einstellungen... ", 98, 108, "#ffff7f");
    putLabelFor(group, "Datei:", 285, 190, 2);
    putReadOnlyField(group, IdSetFileName, fresh.file.c_str(), 285, 2, 255,
                     "Der Name der verwendeten Settings-Datei.");
    putList(group, IdSetBaud, "BAUD-Rate:", baudChoices, 105, 10, 26, "Auswahl der Baudrate");
    putList(group, IdSetDataBits, "Data-Bits:", dataBitsChoices, 105, 10, 52, "Auswahl der Anzahl an Data-Bits");
    putList(group, IdSetStopBits, "Stop-Bits:", stopBitsChoices, 105, 10, 78, "Auswahl der Anzahl an Stop-Bits");
    putTextField(group, IdSetDevice, "Gerätetyp:", fresh.device.c_str(), 285, 190, 27, 255,
                 "Beschreibung des aktuellen Gerätes");
    GdkColor paper = {0, 0xFFFF, 0xFFFF, 0xB9B9};
    gtk_widget_modify_base(controlWidget(WinSettings, IdSetDevice), GTK_STATE_NORMAL, &paper);
    putList(group, IdSetParity, "Parity:", parityChoices, 285, 190, 52, "Auswahl der Parity");
    putList(group, IdSetHandshake, "Handshake:", handshakeChoices, 285, 190, 78, "Auswahl des Handshake");
    const char* bufferTip = "Buffergröße in Byte für den Dateneingang. Absturzgefahr bei zu niedrigen Settings!";
    putDigitsField(group, IdSetInBuffer, "In-Buffer:", fresh.inBuffer.c_str(), 490, 370, 53, bufferTip);
    putDigitsField(group, IdSetOutBuffer, "Out-Buffer:", fresh.outBuffer.c_str(), 490, 370, 79, bufferTip);
}

void buildHandlingGroup(GtkWidget* page)
{
    const SettingsForm fresh;
    GtkWidget* group = putGroup(page, " Geräte-Schnittstellen-Handhabung... ", 210, 192, "#7fffff");
    putColumnHeading(group, "Input:", 10);
    putColumnHeading(group, "Output:", 190);
    putColumnHeading(group, "Pause: [ms]", 370);
    putDigitsField(group, IdSetInMaxSigns, "max. Zeichen:", fresh.inMaxSigns.c_str(), 105, 0, 42,
                   "Max. Länge der Zeichenketten im Dateneingang. Darüber bricht Routine ab.");
    putEditableList(group, IdSetInTerminator, "Zeilenende:", terminatorChoices, fresh.inTerminator.c_str(),
                    105, 0, 65,
                    "Terminierung der ankommenden Zeichenketten. 'Werte' der Zeichen, ';'-getrennt.");
    putDigitsField(group, IdSetInRetry, "Wiederholg.:", fresh.inRetry.c_str(), 105, 0, 90,
                   "Anzahl Wiederholungen nach leeren Zeichenketten. Nach 'Pause kurz'-Wartezeit.");
    putLabelFor(group, "String-Unterteilung:", 105, 0, 113);
    putCheck(group, WinSettings, IdSetSubStrings, "", 105, 113, 24, fresh.inSubStrings,
             "Bei unterteilten Sammel-Strings aktivieren, z.B. cvs-Format, etc...");
    putEditableList(group, IdSetSubTerminator, "Sub-Terminat.:", subTerminatorChoices, fresh.inSubTerminator.c_str(),
                    105, 0, 137,
                    "Terminierung ankommender Unterzeichenketten. 'Wert' des Zeichens ('44'= Komma, '59'='Strichp.)");
    putEditableList(group, IdSetOutTerminator, "Zeilenende:", terminatorChoices, fresh.outTerminator.c_str(),
                    285, 190, 42,
                    "Terminierung der ausgehenden Zeichenketten. 'Werte' der Zeichen, ';'-getrennt.");
    putLabelFor(group, "Fehlerabfrage:", 285, 190, 66);
    putCheck(group, WinSettings, IdSetErrQuery, "", 285, 66, 24, fresh.errQuery,
             "Aktivierung von Fehlerabfragen (Geräteabhängig!)");
    putTextField(group, IdSetErrGetSesr, "SESR-Abfrage:", fresh.errGetSesr.c_str(), 285, 190, 88, 90,
                 "z.B. Event Status Register Abfrage, *ESR?");
    putTextField(group, IdSetErrGetCmd, "Queue-Abfrage:", fresh.errGetCmd.c_str(), 285, 190, 112, 90,
                 "Error-Queue-Abfrage, z.B. 'SYST:ERR?'");
    putTextField(group, IdSetErrQueryClear, "Queue löschen:", fresh.errQueryClear.c_str(), 285, 190, 136, 90,
                 "Error-Queue löschen, z.B. 'SYST:CLE / *CLS'");
    putDigitsField(group, IdSetDelayShort, "vor Wiederholg.:", fresh.delayShort.c_str(), 490, 375, 42,
                   "Anpassung für Rechner und Geräte z.B. für Abfragewiederholungen");
    putDigitsField(group, IdSetDelayLong, "vor Antwort:", fresh.delayLong.c_str(), 490, 375, 65,
                   "Anpassung für Wartezeit nach Abfrage - Geräteabhängig!");
    putDigitsField(group, IdSetDelayErr, "Fehlerabfrage:", fresh.delayErr.c_str(), 490, 375, 88,
                   "Anpassung für Wartezeit nach Fehlerabfragen - Geräteabhängig!");
    // Three options in the rows of two, so that the group keeps its size.
    putLabelFor(group, "Text unverändert senden:", 515, 375, 104);
    putCheck(group, WinSettings, IdSetSendAsIs, "", 515, 104, 24, fresh.sendAsIs,
             "Sendet Kommandos und Abfragen genau so, wie sie im Programm stehen, ohne Großschreibung. Für "
             "Geräte, die Groß- und Kleinschreibung unterscheiden.");
    putLabelFor(group, "Antwort sofort lesen:", 515, 375, 124);
    putCheck(group, WinSettings, IdSetReadAtOnce, "", 515, 124, 24, fresh.readAtOnce,
             "Liest die Antwort, sobald sie ankommt, bis zum Zeilenende. 'vor Antwort' ist dann die längste "
             "Wartezeit auf das erste Zeichen, 'vor Wiederholg.' mal Wiederholungen die längste Pause "
             "zwischen zwei Zeichen; eine Pause von 0 geht sofort weiter. Für langsame Geräte und schnelles "
             "Abfragen.");
    putLabelFor(group, "Echo überspringen:", 515, 375, 144);
    putCheck(group, WinSettings, IdSetSkipEcho, "", 515, 144, 24, fresh.skipEcho,
             "Für Geräte, die jede empfangene Zeile zurücksenden (serielle Konsolen, viele Arduino-Sketche): "
             "eine Zeile, die gleich der gesendeten ist, gilt nicht als Antwort.");
    // What a run does when the device goes away: a row of its own below the three columns.
    putLabelFor(group, "Bei Verbindungsverlust:", 160, 0, 166);
    putChoice(group, WinSettings, IdSetOnLoss, onLossChoices, fresh.onLoss, 160, 165, 215,
              "Wenn das Gerät während eines Programmlaufs verschwindet (Adapter gezogen, Verbindung "
              "getrennt): den Lauf abbrechen, oder warten, bis der Port von selbst wieder verbunden ist, "
              "und die unterbrochene Zeile wiederholen.");
    putDigitsField(group, IdSetLossWait, "max. Wartezeit [s]:", fresh.lossWait.c_str(), 490, 375, 166,
                   "So lange wartet der Programmlauf höchstens auf die Rückkehr des Geräts; danach wird er "
                   "abgebrochen.");
}

GtkComboBox* listBox(int id)
{
    return GTK_COMBO_BOX(controlWidget(WinSettings, id));
}

std::string chosenText(int id)
{
    gchar* text = gtk_combo_box_get_active_text(listBox(id));
    std::string result(text ? text : "");
    g_free(text);
    return result;
}

void chooseText(int id, const std::vector<std::string>& choices, const std::string& text)
{
    auto found = std::find(choices.begin(), choices.end(), text);
    gtk_combo_box_set_active(listBox(id), found == choices.end() ? -1 : static_cast<int>(found - choices.begin()));
}

// The text of an editable drop-down; setting it to an item's text chooses that item.
std::string editableText(int id)
{
    return gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(listBox(id)))));
}

void setEditableText(int id, const std::vector<std::string>& choices, const std::string& text)
{
    auto found = std::find(choices.begin(), choices.end(), text);
    if (found != choices.end())
        gtk_combo_box_set_active(listBox(id), static_cast<int>(found - choices.begin()));
    else
        gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(listBox(id)))), text.c_str());
}

void showForm(const SettingsForm& form)
{
    SilentChange silent;
    for (const PortSetting& setting : portSettings) {
        int id = setting.controlId;
        switch (setting.kind) {
        case SettingKind::Version: break;
        case SettingKind::Text:
        case SettingKind::Number: setControlText(WinSettings, id, form.*setting.text); break;
        case SettingKind::Choice: chooseText(id, *setting.choices, form.*setting.text); break;
        case SettingKind::Index: gtk_combo_box_set_active(listBox(id), form.*setting.index); break;
        case SettingKind::Codes: setEditableText(id, *setting.choices, form.*setting.text); break;
        case SettingKind::Flag: setToggleState(WinSettings, id, form.*setting.flag); break;
        }
    }
    enableSubStringFields();
    enableErrorQueryFields();
}

} // namespace

void buildPortSelectionGroup(GtkWidget* page)
{
    putFrame(page, WinSettings, 0, " Port-Auswahl... ", 2, 36, 547, 58, "#ffffff");
    // The controls' places are measured from the group's corner, heading included: they lie
    // over the frame rather than inside it.
    GtkWidget* group = putControl(page, WinSettings, 0, gtk_fixed_new(), 2, 36, 547, 58);
    putLabel(group, "COM-Port:", 28, 27, 72);
    GtkWidget* ports = putChoice(group, WinSettings, IdSetPortBox, {}, -1, 105, 24, 100,
                                 "1. Auswahl des genutzten Com-Port!!!\n2. Nachfolgende Einstellungen vornehmen oder "
                                 "laden \nmit obigem Open-Piktogramm.");
    gtk_widget_set_size_request(ports, 100, 28);
    connectControlEvent(ports, "changed", WinSettings, IdSetPortBox, CtlChange);
    putImageButton(group, IdSetAuthorisation, 26, 235, "Öffnet Dialog zur Autorisation der Com-Ports.");
    putImageButton(group, IdSetRediscover, 29, 253,
                   "Ein Klick aktualisiert die gelisteten COM-Port-Nrn. auf die freigeschalteten Ports.");
    // Beside the heading, below "Port hinzufügen...": the other way to a port that is not listed.
    GtkWidget* lanSearch = putButton(group, WinSettings, IdSetLanSearch, "Netzwerkgeräte suchen", 124, 1, 106, 21, false);
    fitLabel(gtk_bin_get_child(GTK_BIN(lanSearch)), 98, true);
    gtk_widget_set_tooltip_text(lanSearch, "Sucht Instrumente im Netz (VXI-11-Rundruf, mDNS) und listet sie mit ihrer "
                                           "*IDN?-Antwort; ein Doppelklick nimmt eines als Port auf");
    for (int index = 0; index < indicatorCount; ++index)
        putIndicator(group, index);
    putLabel(group, "Port-Nr.:", 240, 27, 60);
    putReadOnlyField(group, IdSetPortNumber, "-1", 305, 27, 25, "ID des aktuellen Com-Ports");
    putLabel(group, "Port-Tag:", 330, 27, 58);
    putReadOnlyField(group, IdSetPortTag, "no", 390, 27, 150, "Tag-Name des aktuellen Com-Ports");
}

void buildDeviceSettingsForm(GtkWidget* page)
{
    putField(page, WinSettings, IdSetAddPortField, "", 70, 5, 150,
             "Gerät unter /dev (ttyUSB0), Pfad eines Terminalgeräts (/dev/serial/by-id/..., ~/geraete/bc) oder "
             "Instrument im Netz (tcp:RECHNER:PORT, z.B. tcp:192.168.1.20:5025)");
    putButton(page, WinSettings, IdSetAddPort, "Port hinzufügen...", 224, 3, 122, 28, false);
    gtk_widget_set_tooltip_text(controlWidget(WinSettings, IdSetAddPort),
                                "Nimmt den links genannten Port mit dem Port-Tag 'manuell' in die Portauswahl auf; "
                                "er bleibt für den nächsten Start in Quirlo.ini");
    GtkWidget* apply = putButton(page, WinSettings, IdSetApplyPort, "Porteinstell. übernehmen", 350, 3, 198, 28, false);
    gtk_widget_set_tooltip_text(apply, "Akt. Einstellungen werden für den gewählten Port übernommen, initialisiert und "
                                       "dieser als aktueller ComPort geöffnet");
    buildComGroup(page);
    buildHandlingGroup(page);
    enableSubStringFields();
    enableErrorQueryFields();
}

SettingsForm readForm()
{
    SettingsForm form;
    for (const PortSetting& setting : portSettings) {
        int id = setting.controlId;
        switch (setting.kind) {
        case SettingKind::Version: break;
        case SettingKind::Text:
        case SettingKind::Number: form.*setting.text = controlText(WinSettings, id); break;
        case SettingKind::Choice: form.*setting.text = chosenText(id); break;
        case SettingKind::Index: form.*setting.index = gtk_combo_box_get_active(listBox(id)); break;
        case SettingKind::Codes: form.*setting.text = editableText(id); break;
        case SettingKind::Flag: form.*setting.flag = toggleState(WinSettings, id); break;
        }
    }
    return form;
}

void enableSubStringFields()
{
    setControlEnabled(WinSettings, IdSetSubTerminator, toggleState(WinSettings, IdSetSubStrings));
}

void enableErrorQueryFields()
{
    bool on = toggleState(WinSettings, IdSetErrQuery);
    for (int id : {IdSetErrGetSesr, IdSetErrGetCmd, IdSetErrQueryClear, IdSetDelayErr})
        setControlEnabled(WinSettings, id, on);
}

void showSettingsOfPort(int64_t index)
{
    if (index < 0 || index >= portCount)
        return;
    setControlText(WinSettings, IdSetPortNumber, std::to_string(index));
    setControlText(WinSettings, IdSetPortTag, PortTable[index].tag);
    const PortEntry& entry = PortTable[index];
    showForm(entry.configured ? formFromSettings(entry.settings) : resetForm());
    // A socket or a USBTMC instrument has no serial line: its settings are not asked for.
    bool lineSettings = nameHasLineSettings(entry.name);
    for (int id : serialLineControls)
        setControlEnabled(WinSettings, id, lineSettings);
}

void loadSettingsFile()
{
    if (intValue(controlText(WinSettings, IdSetPortNumber)) < 0) {
        messageBox(WinSettings, "Quirlo",
                   "Zum Zuweisen der Geräte-Daten muss\nvorab der verwendete COM-Port ge-\nwählt sein!", IconWarning,
                   ButtonsOk);
        if (GtkWidget* ports = controlWidget(WinSettings, IdSetPortBox))
            gtk_widget_grab_focus(ports);
        return;
    }
    std::string path = fileDialog(WinSettings, false, "Quirlo laden: Settingsdatei wählen", "*.set", devicesDir);
    if (!path.empty())
        loadSettingsFrom(path);
}

bool loadSettingsFrom(const std::string& path)
{
    std::string bytes;
    if (!readWholeFile(path, bytes))
        return false;
    SettingsForm form = readForm();
    readSetFile(fileBytesToUtf8(bytes), form);
    form.file = fileName(path);
    showForm(form);
    devicesDir = directoryOf(path);
    return true;
}

bool applySettingsFileToPort(int64_t index, const std::string& path)
{
    if (index < 0 || index >= portCount)
        return false;
    if (GtkWidget* ports = controlWidget(WinSettings, IdSetPortBox)) {
        SilentChange silent;
        gtk_combo_box_set_active(GTK_COMBO_BOX(ports), static_cast<int>(index));
    }
    showSettingsOfPort(index);
    if (!loadSettingsFrom(path)) {
        messageBox(WinSettings, "Quirlo", "Die Settingsdatei\n" + path + "\nkonnte nicht gelesen werden!", IconWarning,
                   ButtonsOk);
        return false;
    }
    applyPortSettings();
    return PortTable[index].isOpen != 0;
}

void saveSettingsFile()
{
    std::string path = fileDialog(WinSettings, true, "Quirlo speichern: Settingsdatei wählen", "*.set",
                                  devicesDir + controlText(WinSettings, IdSetFileName));
    if (path.empty())
        return;
    // The extension first: the question must be about the file that will be replaced.
    if (path.size() < 4 || lowerText(path.substr(path.size() - 4)) != ".set")
        path += ".set";
    if (fileExists(path) && messageBox(WinSettings, "Quirlo", "Datei existiert bereits!\nÜberschreiben?",
                                       IconQuestion, ButtonsYesNo) != ResultYes)
        return;
    std::string reason;
    if (!writeFileAtomic(path, fileBytesOf(setFileText(readForm())), &reason)) {
        messageBox(WinSettings, "Quirlo Settings-Daten:", notSavedText(path, reason), IconWarning, ButtonsOk);
        return;
    }
    setControlText(WinSettings, IdSetFileName, fileName(path));
    devicesDir = directoryOf(path);
}

void refillPortChoices()
{
    GtkWidget* widget = controlWidget(WinSettings, IdSetPortBox);
    if (!widget)
        return;
    GtkComboBox* box = GTK_COMBO_BOX(widget);
    SilentChange silent;
    int chosen = gtk_combo_box_get_active(box);
    gtk_list_store_clear(GTK_LIST_STORE(gtk_combo_box_get_model(box)));
    for (int64_t k = 0; k < portCount; ++k)
        gtk_combo_box_append_text(box, PortTable[k].name.c_str());
    gtk_combo_box_set_active(box, chosen < portCount ? chosen : -1);
}

long long selectedPortChoice()
{
    GtkWidget* box = controlWidget(WinSettings, IdSetPortBox);
    return box ? gtk_combo_box_get_active(GTK_COMBO_BOX(box)) : -1;
}

void showIndicator(int index, bool enabled, const char* background, bool underlined)
{
    GtkWidget* box = controlWidget(WinSettings, IdSetPortIndicatorFirst + index);
    if (!box)
        return;
    gtk_widget_set_sensitive(box, enabled);
    GdkColor colour;
    gtk_widget_modify_bg(box, GTK_STATE_NORMAL,
                         background && gdk_color_parse(background, &colour) ? &colour : nullptr);
    std::string text = std::to_string(index);
    gchar* markup = g_strdup_printf(underlined ? "<u>%s</u>" : "%s", text.c_str());
    gtk_label_set_markup(GTK_LABEL(gtk_bin_get_child(GTK_BIN(box))), markup);
    g_free(markup);
}

IniGroup portDefaultIniGroup()
{
    auto choice = [](const char* key, int id) -> IniKey {
        return {key, [id] { return std::to_string(chosenIndex(WinSettings, id)); }, nullptr, std::nullopt};
    };
    auto field = [](const char* key, int id) -> IniKey {
        return {key, [id] { return controlText(WinSettings, id); }, nullptr, std::nullopt};
    };
    return IniGroup("PORTDEFAULT",
            {choice("PortNo", IdSetPortBox),
             {"PortNoNameWin",
              [] { return chosenIndex(WinSettings, IdSetPortBox) >= 0 ? controlText(WinSettings, IdSetPortBox) : ""; },
              nullptr, std::nullopt},
             field("PortTag", IdSetPortTag), field("PortFileName", IdSetFileName), field("PortUnitType", IdSetDevice),
             choice("PortBaudRate", IdSetBaud), choice("PortDataBits", IdSetDataBits),
             choice("PortStopBits", IdSetStopBits), choice("PortParity", IdSetParity),
             choice("PortHandshake", IdSetHandshake), field("PortInBufferSize", IdSetInBuffer),
             field("PortOutBufferSize", IdSetOutBuffer)});
}
