// The main window: toolbar, logo and the four buttons that open the other windows.
#include "app/main_window.h"

#include <gtk/gtk.h>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

namespace {

struct ToolItem {
    int item;
    int image;
    const char* toolTip;
};

const ToolItem toolItems[] = {
    {MenuQuit, 19, "Beendet das Programm"},
    {MenuHelp, 20, "Öffnet die Hilfe als *.pdf mit dem Standardprogramm"},
    {MenuAbout, 21, "Öffnet die Programminfo"},
};

struct WindowButton {
    int id;
    int y;
    const char* label;
    const char* toolTip;
};

const WindowButton windowButtons[] = {
    {IdMainSettingsButton, 42, "COM-/Protokoll-Settings...",
     "Öffnet Dialog für Geräte-COM- u. Logging-Einstellungen"},
    {IdMainCommandListButton, 70, "Kommandoeditor...",
     "Öffnet Fenster zur Kommandoerfassung und -übernahme"},
    {IdMainProgramButton, 98, "Programm-Fenster...",
     "Öffnet Fenster für Zusammenstellung und Start des Programmes"},
    {IdMainProtocolButton, 126, "Protokoll-Fenster...", "Öffnet 'Logging'-Fenster"},
};

// The width inside a 162-pixel toggle button that its label can use.
constexpr int labelRoom = 150;

void onToolItem(GtkToolButton*, gpointer data)
{
    postEvent(EvMenu, WinMain, GPOINTER_TO_INT(data));
}

} // namespace

void createMainWindow()
{
    GtkWidget* window = createWindowFrame(WinMain);
    GtkWidget* fixed = windowFixed(WinMain);

    GtkWidget* toolbar = gtk_toolbar_new();
    gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);
    gtk_toolbar_set_show_arrow(GTK_TOOLBAR(toolbar), FALSE);
    for (const ToolItem& tool : toolItems) {
        GtkToolItem* item = gtk_tool_button_new(quirloImageWidget(tool.image), nullptr);
        gtk_widget_set_tooltip_text(GTK_WIDGET(item), tool.toolTip);
        g_signal_connect(item, "clicked", G_CALLBACK(onToolItem), GINT_TO_POINTER(tool.item));
        gtk_toolbar_insert(GTK_TOOLBAR(toolbar), item, -1);
    }
    gtk_box_pack_start(GTK_BOX(gtk_widget_get_parent(fixed)), toolbar, FALSE, FALSE, 0);

    putControl(fixed, WinMain, IdMainLogo, quirloImageWidget(17), 14, 2, 142, 32);

    // A condensed face keeps the longest label inside the 162-pixel buttons.
    for (const WindowButton& spec : windowButtons) {
        GtkWidget* button = putControl(fixed, WinMain, spec.id,
                                       gtk_toggle_button_new_with_label(spec.label), 4, spec.y, 162, 26);
        gtk_widget_set_tooltip_text(button, spec.toolTip);
        connectControlEvent(button, "toggled", WinMain, spec.id, CtlPlain);
        fitLabel(gtk_bin_get_child(GTK_BIN(button)), labelRoom, true);
    }

    registerShortcuts(WinMain);
    gtk_widget_show_all(window);
}
