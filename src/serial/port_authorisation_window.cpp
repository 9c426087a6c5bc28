// The port authorisation window, created hidden at start-up; its list and buttons are built
// with the port authorisation.
#include <gtk/gtk.h>

#include "serial/port_services.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/windows.h"

void createPortAuthWindow()
{
    if (!windowExists(WinPortAuth))
        createWindowFrame(WinPortAuth);
}

void showPortAuthWindow()
{
    if (GtkWidget* window = windowWidget(WinPortAuth)) {
        gtk_widget_show_all(window);
        gtk_window_present(GTK_WINDOW(window));
    }
}
