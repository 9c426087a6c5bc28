// The about window: logo, what Quirlo is for, and "Okay".
#include "app/about_window.h"

#include "app/controls.h"
#include "app/ids.h"
#include "app/resources.h"
#include "app/windows.h"

void createAboutWindow()
{
    createWindowFrame(WinAbout);
    GtkWidget* fixed = windowFixed(WinAbout);

    GtkWidget* logo = quirloImageWidget(18);
    gtk_widget_set_size_request(logo, 142, 32);
    gtk_fixed_put(GTK_FIXED(fixed), logo, 89, 10);
    registerControl(WinAbout, IdAboutLogo, logo);

    const struct {
        int id;
        int y;
        const char* text;
    } lines[] = {
        {IdAboutLine1, 52, "Tool zur Kommandoerfassung, -Zusammenstel-"},
        {IdAboutLine2, 68, "lung und -Prüfung für Steuerung und Abfrage"},
        {IdAboutLine3, 84, "beliebiger Geräte an der RS232-Schnittstelle."},
    };
    for (const auto& line : lines) {
        GtkWidget* label = gtk_label_new(line.text);
        gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
        gtk_widget_set_size_request(label, 310, 18);
        gtk_fixed_put(GTK_FIXED(fixed), label, 5, line.y);
        registerControl(WinAbout, line.id, label);
    }

    GtkWidget* okay = gtk_button_new_with_label("Okay");
    gtk_widget_set_size_request(okay, 300, 32);
    gtk_fixed_put(GTK_FIXED(fixed), okay, 10, 172);
    GTK_WIDGET_SET_FLAGS(okay, GTK_CAN_DEFAULT);
    gtk_window_set_default(GTK_WINDOW(windowWidget(WinAbout)), okay);
    registerControl(WinAbout, IdAboutOkay, okay);
    connectControlEvent(okay, "clicked", WinAbout, IdAboutOkay, CtlPlain);
}
