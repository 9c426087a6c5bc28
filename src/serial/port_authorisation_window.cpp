// The port authorisation window, created hidden at start-up; its list and buttons are built
// with the port authorisation.
#include <gtk/gtk.h>

#include "app/controls.h"
#include "app/ids.h"
#include "app/windows.h"
#include "serial/port_services.h"

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
