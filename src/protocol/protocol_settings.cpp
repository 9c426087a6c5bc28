// The page "Protokoll" of the settings window and the rules that apply it.
#include "protocol/protocol_settings.h"

#include <string>

#include "common/text.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/resources.h"
#include "ui/windows.h"

namespace {

GtkWidget* addOption(GtkWidget* fixed, GtkWidget* group, int id, const char* label, int y, const char* toolTip)
{
    GtkWidget* option = group ? gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(group), label)
                              : gtk_radio_button_new_with_label(nullptr, label);
    putControl(fixed, WinSettings, id, option, 10, y, 200, 24);
    if (toolTip)
        gtk_widget_set_tooltip_text(option, toolTip);
    connectChosenEvent(option, WinSettings, id);
    return option;
}

// The whole value, so that 4294967297 is not taken for 1.
int64_t fieldValue(int id)
{
    return intValue(controlText(WinSettings, id));
}

} // namespace

void buildProtocolSettingsPage(GtkWidget* page)
{
    GtkWidget* form = putFrame(page, WinSettings, 0, " Protokollausgabe als...", 2, 4, 270, 150);
    putCheck(form, WinSettings, IdSetProtocolOn, "Protokollausgabe An", 10, 2, 240, true,
             "schaltet die Protokollausgabe generell Ein und Aus.");
    GtkWidget* debug = addOption(form, nullptr, IdSetAsDebug, "Debugausgabe", 26, nullptr);
    gtk_widget_set_no_show_all(debug, TRUE);
    GtkWidget* excel = addOption(form, debug, IdSetAsExcel, "Excel (COM)", 26, nullptr);
    gtk_widget_set_sensitive(excel, FALSE);
    GtkWidget* list = addOption(form, debug, IdSetAsList, "Protokoll-Liste", 50,
                                "automatisches Protokoll in Listenform mit umfangreichen Ausgaben");
    addOption(form, debug, IdSetAsTable, "Protokolltabelle", 74,
              "formatierte Tabellenausgabe, benötigt CellPos-Befehle - für Messungen");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(list), TRUE);

    // The Excel output has no function on this platform; the frame shows it disabled.
    GtkWidget* excelFrame = putFrame(page, WinSettings, IdSetExcelFrame, " Excelausgabe...", 276, 4, 271, 150);
    gtk_widget_set_sensitive(gtk_widget_get_parent(excelFrame), FALSE);
    putLabel(excelFrame, "Format:", 0, 2, 48);
    putChoice(excelFrame, WinSettings, 0, {"Liste (Auto-LF)", "Tabelle (mit CellPos)"}, 0, 52, 1, 210);
    putLabel(excelFrame, "Inhalt:", 0, 30, 48);
    GtkWidget* content = putChoice(excelFrame, WinSettings, 0,
                                   {"Abfrage + Antwort als Text (2-spaltig)", "Abfrage + Antwort als Wert (2-spaltig)",
                                    "Antwort als Text (1-spaltig)", "Antwort als Wert (1-spaltig)"},
                                   2, 52, 29, 210);
    // The longest choices fit the frame only in a condensed face.
    PangoFontDescription* condensed = newCondensedFont(9);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(content));
    for (GList* cell = cells; cell; cell = cell->next)
        g_object_set(cell->data, "font-desc", condensed, nullptr);
    g_list_free(cells);
    pango_font_description_free(condensed);
    putLabel(excelFrame, "Startzelle:", 0, 58, 70);
    putCheck(excelFrame, WinSettings, 0, "akt. Cursorposition", 75, 58, 170, false);
    putLabel(excelFrame, "Zeile:", 0, 84, 55);
    putField(excelFrame, WinSettings, 0, "1", 60, 84, 50, nullptr);
    putLabel(excelFrame, "Spalte:", 115, 84, 50);
    putField(excelFrame, WinSettings, 0, "1", 170, 84, 50, nullptr);
    putCheck(excelFrame, WinSettings, 0, "Neue Tabelle, oder", 5, 108, 150, true);
    putLabel(excelFrame, "Tabelle ...", 155, 108, 62);
    putField(excelFrame, WinSettings, 0, "", 220, 108, 42, nullptr);

    GtkWidget* listFrame = putFrame(page, WinSettings, 0, " Protokollliste...", 2, 158, 545, 56);
    putCheck(listFrame, WinSettings, IdSetInternalCommands, "int. Steuerbefehle ausgeben?", 10, 2, 255, true,
             "Im Listenprotokoll werden CellPos, Write-Kommandos unterdrückt.");
    putCheck(listFrame, WinSettings, IdSetPortCommands, "Port-Steuerbefehle ausgeben?", 275, 2, 255, true,
             "Im Listenprotokoll werden Port-Steuerbefehle unterdrückt.");

    GtkWidget* table = putFrame(page, WinSettings, 0, " Protokolltabelle...", 2, 218, 545, 100);
    putLabel(table, "Format:", 0, 4, 60);
    GtkWidget* format = putChoice(table, WinSettings, IdSetTableFormat, {"Liste (Auto-LF)", "Tabelle (mit CellPos)"}, 1, 60, 3, 165);
    gtk_widget_set_sensitive(format, FALSE);
    putLabel(table, "Inhalt:", 0, 34, 60);
    putChoice(table, WinSettings, IdSetTableContent, {"Werte (linksbündig)", "Werte (extrahiert)", "Text (kplt.)"}, 0,
              60, 33, 165,
              "Wählt zwischen der Ausgabe von linksbündigen Werten, extrahierten Werte oder vollständigen Texten");
    putLabel(table, "max. Spalten:", 230, 4, 90);
    putField(table, WinSettings, IdSetMaxCols, "24", 325, 4, 55,
             "Die max. Anzahl an Spalten die angelegt werden darf. Bis 255 erlaubt!");
    putLabel(table, "max. Zeilen:", 230, 34, 90);
    putField(table, WinSettings, IdSetMaxRows, "4096", 325, 34, 55, "Die max. Anzahl an Zeilen in der Tabelle. Bis 65535 erlaubt.");
    putLabel(table, "Spalten:", 385, 4, 95);
    putField(table, WinSettings, IdSetColumns, "2", 485, 4, 45, "Die Anzahl an Spalten beim Anlegen der Tabelle.");
    putLabel(table, "Spaltenbreite:", 385, 34, 95);
    putField(table, WinSettings, IdSetColumnWidth, "60", 485, 34, 45, "Die anfängliche Spaltenbreite der Tabelle.");

    putCheck(page, WinSettings, IdSetAutosave, "Autosichern alle ", 8, 326, 130, false);
    GtkWidget* interval = putField(page, WinSettings, IdSetAutosaveInterval, "1", 140, 326, 40, nullptr);
    makeDigitsOnly(interval);
    putControl(page, WinSettings, 0, gtk_label_new("Min."), 184, 326, 30, 24);
    GtkWidget* temp = putCheck(page, WinSettings, IdSetAutosaveTemp, "in 'Temp'-Verzeichnis", 230, 326, 200, false);
    gtk_widget_set_sensitive(temp, FALSE);

    putButton(page, WinSettings, IdSetApplyProtocol, "Protokolleinstell. übernehmen", 348, 400, 198, 28, false);
}

void buildProtocolTypeGroup(GtkWidget* page)
{
    GtkWidget* group = putFrame(page, WinSettings, 0, " Protokollausgaben... ", 2, 406, 547, 54);
    putLabel(group, "Typ:", 5, 4, 40);
    GtkWidget* type = gtk_label_new("undefiniert -> einstellen");
    gtk_misc_set_alignment(GTK_MISC(type), 0.0f, 0.5f);
    putControl(group, WinSettings, IdSetProtocolTypeText, type, 55, 4, 300, 24);
}

bool validateProtocolSettings()
{
    bool on = toggleState(WinSettings, IdSetProtocolOn);
    setControlEnabled(WinSettings, IdSetAsList, on);
    setControlEnabled(WinSettings, IdSetAsTable, on);
    setControlEnabled(WinSettings, IdSetAsExcel, false);

    std::vector<std::string> faults = tableLimitFaults(
        {fieldValue(IdSetMaxCols), fieldValue(IdSetColumns), fieldValue(IdSetMaxRows), fieldValue(IdSetColumnWidth)});
    for (const std::string& fault : faults)
        messageBox(WinSettings, "Quirlo Protokoll-Settings", fault, IconError, ButtonsOk);
    return faults.empty();
}

void applyProtocolSettings()
{
    if (!validateProtocolSettings())
        return;
    if (!toggleState(WinSettings, IdSetProtocolOn)) {
        protocol.protocolMode = ModeOff;
        setControlText(WinSettings, IdSetProtocolTypeText, "AUS");
        return;
    }
    const struct {
        int id;
        int code;
    } options[] = {{IdSetAsDebug, ModeDebug}, {IdSetAsList, ModeList}, {IdSetAsTable, ModeTable}, {IdSetAsExcel, ModeExcel}};
    int code = 0;
    std::string caption;
    for (const auto& option : options) {
        if (toggleState(WinSettings, option.id)) {
            code = option.code;
            caption = controlText(WinSettings, option.id);
        }
    }
    int mode = code == ModeList || code == ModeTable ? code : ModeNone;
    bool changed = mode != protocol.protocolMode;
    protocol.protocolMode = mode;
    // Validated above: every value lies in its range.
    protocol.colCount = static_cast<int>(fieldValue(IdSetColumns));
    protocol.colWidth = static_cast<int>(fieldValue(IdSetColumnWidth));
    protocol.maxCols = static_cast<int>(fieldValue(IdSetMaxCols));
    protocol.maxRows = static_cast<int>(fieldValue(IdSetMaxRows));
    setControlText(WinSettings, IdSetProtocolTypeText, caption);

    if (!windowExists(WinProtocol))
        return;
    if (mode == ModeTable) {
        int dataColumns = protocolColumnCount() - 1;
        if (changed) {
            buildProtocolLayout(ModeTable);
        } else if (dataColumns < protocol.colCount) {
            growProtocolColumns(protocol.colCount);
        } else if (protocol.colCount < dataColumns) {
            if (messageBox(WinSettings, "Quirlo",
                           "Protokoll:\nSpaltenzahl rechts wieder auf " + std::to_string(protocol.colCount) +
                               " verkleinern?",
                           IconQuestion, ButtonsYesNo) == ResultYes)
                shrinkProtocolColumns(protocol.colCount);
            else
                protocol.colCount = dataColumns;
        }
    } else if (mode == ModeList && changed) {
        buildProtocolLayout(ModeList);
    }
}
