// The about window: logo, what Quirlo is for, and "Okay".
#include "app/about_window.h"

#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/windows.h"

void createAboutWindow()
{
    createWindowFrame(WinAbout);
    GtkWidget* fixed = windowFixed(WinAbout);
    putControl(fixed, WinAbout, IdAboutLogo, quirloImageWidget(18), 89, 10, 142, 32);
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
        putControl(fixed, WinAbout, line.id, label, 5, line.y, 310, 18);
    }
    putButton(fixed, WinAbout, IdAboutOkay, "Okay", 10, 172, 300, 32, true);
}
