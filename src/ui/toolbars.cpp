// The image-button rows at the top of windows 1-4.
#include "ui/toolbars.h"

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/windows.h"

namespace {

enum ToolKind { Button, Toggle, ClickPicture, Picture, SearchField };

struct ToolSpec {
    int window;
    int id;
    ToolKind kind;
    int image;
    int x;
    const char* toolTip;
    bool enabled = true;
    bool pressed = false;
    int pressedImage = -1; // shown instead of image while the toggle is down
};

const ToolSpec tools[] = {
    {WinCommandList, IdCmdClear, Button, 2, 5, "[Strg][N] Leert komplette Liste"},
    {WinCommandList, IdCmdLoad, Button, 0, 35, "[Strg][O] Lädt Kommandoliste"},
    {WinCommandList, IdCmdSave, Button, 1, 65, "[Strg][S] Speichert aktuelle Kommandoliste als..."},
    {WinCommandList, IdCmdRestoreOrder, Button, 7, 105, "Stellt ursprüngliche Sortierung wieder her!", false},
    {WinCommandList, IdCmdSearchNext, ClickPicture, 25, 145,
     "Sucht 'Eingabe' ab der aktuellen Selektion in Spalte 'Kommando'"},
    {WinCommandList, IdCmdSearchField, SearchField, -1, 165,
     "Sucht die aktuelle Eingabe in der Liste in Spalte 'Kommando'"},
    {WinProgram, IdPrgClear, Button, 5, 5, "[Strg][N] Leert aktuelles Programm"},
    {WinProgram, IdPrgLoad, Button, 3, 35, "[Strg][O] Lädt Programm"},
    {WinProgram, IdPrgSave, Button, 4, 65, "[Strg][S] Speichert aktuelles Programm als..."},
    {WinProgram, IdPrgCheck, Button, 9, 105,
     "Bereitet Kommandos und Abfragen vor (Parameterübernahme). Beseitigt überflüssige Param."},
    {WinProgram, IdPrgRun, Button, 6, 145, "[F11] Parameteraufbereitung, -übernahme und Start des Programmes"},
    {WinProgram, IdPrgPause, Toggle, 38, 175,
     "[Pause] Pausiert den aktuellen Programmlauf für Tätigkeiten oder Kopieraktionen aus dem Protokoll etc.",
     false},
    {WinProgram, IdPrgStop, Button, 8, 205, "[F12] Beendet den aktuellen Programmlauf", false},
    {WinProgram, IdPrgPortButton, Toggle, 10, 305, "Öffnet oder schließt den aktuellen Com-Port", true, true, 11},
    {WinProgram, IdPrgInfo, Button, 33, 397, "[Strg][I]Öffnet Editor zum Lesen oder Eingeben der Listeninfos"},
    {WinSettings, IdSetLoadDevice, Button, 31, 5, "[Strg][O] Lädt Geräte-Einstellungen für den gewählten COM-Port"},
    {WinSettings, IdSetSaveDevice, Button, 32, 35, "[Strg][S] Speichert aktuelle Geräte-Com-Einstellungen als..."},
    {WinProtocol, IdPtkClear, Button, 12, 5, "[Strg][N] Leert komplettes Listing"},
    {WinProtocol, IdPtkSave, Button, 13, 35, "[Strg][S] Speichert aktuelles Protokoll-Listing als..."},
    {WinProtocol, IdPtkClipboard, Toggle, 24, 75,
     "[Strg][C] Legt Protokoll-Daten ins Clipboard. Format siehe folgendes Popup..."},
    {WinProtocol, IdPtkFitColumns, Toggle, 30, 105, "Passt die Spaltenbreiten automatisch den akt. Inhalten an."},
    {WinProtocol, IdPtkExcel, Toggle, 22, 135, "Unter Linux nicht verfügbar", false},
    {WinProtocol, IdPtkDiagram, Button, 44, 165,
     "[Strg][G] Öffnet das Diagramm der Messtabelle: Kurven während des Laufs, Export als PNG, SVG und PDF"},
    {WinProtocol, IdPtkDirect, Button, 45, 195, "[Strg][D] Öffnet die Direkteingabe: Zeilen sofort senden, Port mitlesen"},
    {WinProtocol, IdPtkLimitIndicator, Picture, 27, 228,
     "Tabellen-Rire: Tabellengrenzen wurden überschritten - CellPos-Parameter prüfen!"},
};

// Swaps a toggle's picture with its state, also when the state is set by the program.
void showToggleImage(GtkToggleButton* button, gpointer data)
{
    const ToolSpec* spec = static_cast<const ToolSpec*>(data);
    int image = gtk_toggle_button_get_active(button) ? spec->pressedImage : spec->image;
    gtk_image_set_from_pixbuf(GTK_IMAGE(gtk_button_get_image(GTK_BUTTON(button))), quirloImage(image));
}

GtkWidget* makeButton(const ToolSpec& spec)
{
    GtkWidget* button = spec.kind == Toggle ? gtk_toggle_button_new() : gtk_button_new();
    gtk_button_set_image(GTK_BUTTON(button), quirloImageWidget(spec.image));
    gtk_button_set_focus_on_click(GTK_BUTTON(button), FALSE);
    if (spec.kind == Toggle) {
        if (spec.pressedImage >= 0)
            g_signal_connect(button, "toggled", G_CALLBACK(showToggleImage), const_cast<ToolSpec*>(&spec));
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), spec.pressed);
        connectControlEvent(button, "toggled", spec.window, spec.id, CtlPlain);
    } else {
        connectControlEvent(button, "clicked", spec.window, spec.id, CtlPlain);
    }
    return button;
}

} // namespace

void buildToolbar(int window, GtkWidget* fixed)
{
    for (const ToolSpec& spec : tools) {
        if (spec.window != window)
            continue;
        GtkWidget* widget = nullptr;
        int y = 2, size = 30, width = 30;
        switch (spec.kind) {
        case Button:
        case Toggle: widget = makeButton(spec); break;
        case ClickPicture:
            widget = newClickPicture(spec.window, spec.id, spec.image);
            y = 9;
            size = width = 16;
            break;
        case Picture:
            widget = quirloImageWidget(spec.image);
            y = 5;
            size = width = 24;
            break;
        case SearchField:
            widget = gtk_entry_new();
            connectControlEvent(widget, "changed", spec.window, spec.id, CtlChange);
            y = 5;
            size = 24;
            width = 100;
            break;
        }
        gtk_widget_set_tooltip_text(widget, spec.toolTip);
        gtk_widget_set_sensitive(widget, spec.enabled);
        putControl(fixed, window, spec.id, widget, spec.x, y, width, size);
    }
}
