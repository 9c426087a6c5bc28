// The page "Port/COM/Handling" of the settings window: the choice of the port with its
// indicators, and the form of the chosen port's device settings.
#include "serial/settings_port_page.h"

#include <string>

#include "serial/port_services.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/windows.h"

namespace {

constexpr int indicatorCount = IdSetPortIndicatorLast - IdSetPortIndicatorFirst + 1;

gboolean onIndicatorPressed(GtkWidget*, GdkEventButton* event, gpointer data)
{
    if (event->type == GDK_BUTTON_PRESS)
        postEvent(EvControl, WinSettings, GPOINTER_TO_INT(data));
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

void putReadOnlyField(GtkWidget* fixed, int id, const char* text, int x, int width, const char* toolTip)
{
    GtkWidget* field = putField(fixed, WinSettings, id, text, x, 27, width, toolTip);
    gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
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
    for (int index = 0; index < indicatorCount; ++index)
        putIndicator(group, index);
    putLabel(group, "Port-Nr.:", 240, 27, 60);
    putReadOnlyField(group, IdSetPortNumber, "-1", 305, 25, "ID des aktuellen Com-Ports");
    putLabel(group, "Port-Tag:", 330, 27, 58);
    putReadOnlyField(group, IdSetPortTag, "no", 390, 150, "Tag-Name des aktuellen Com-Ports");
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
