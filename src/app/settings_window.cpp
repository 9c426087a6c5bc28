// The settings window: a tab control with the pages "Port/COM/Handling", "Protokoll" and
// "Applikation". The pages' forms are built with the device settings dialog, the protocol
// settings and the application settings.
#include "app/settings_window.h"

#include <array>

#include "protocol/protocol_settings.h"
#include "serial/port_commands.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/shortcuts.h"
#include "ui/toolbars.h"
#include "ui/windows.h"

namespace {

enum SettingsPage { PortPage = 0, ProtocolPage = 1, ApplicationPage = 2 };

GtkWidget* notebook = nullptr;
std::array<GtkWidget*, 3> pages{};

void forgetNotebook(GtkWidget*, gpointer)
{
    notebook = nullptr;
    pages.fill(nullptr);
}

bool pageShown(int page)
{
    return notebook && windowVisible(WinSettings) &&
           gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook)) == page;
}

} // namespace

void createSettingsWindow()
{
    createWindowFrame(WinSettings);
    notebook = gtk_notebook_new();
    g_signal_connect(notebook, "destroy", G_CALLBACK(forgetNotebook), nullptr);
    putControl(windowFixed(WinSettings), WinSettings, 0, notebook, 2, 2, 556, 466);
    const char* titles[] = {"Port/COM/Handling", "Protokoll", "Applikation"};
    for (int page = PortPage; page <= ApplicationPage; ++page) {
        pages[page] = gtk_fixed_new();
        gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[page], gtk_label_new(titles[page]));
    }
    buildToolbar(WinSettings, pages[PortPage]);
    buildDeviceSettingsForm(pages[PortPage]);
    buildPortSelectionGroup(pages[PortPage]);
    buildProtocolTypeGroup(pages[PortPage]);
    buildProtocolSettingsPage(pages[ProtocolPage]);
    registerShortcuts(WinSettings);
    refillPortChoices();
    refreshPortIndicators(false);
}

GtkWidget* settingsPage(int page)
{
    return page >= PortPage && page <= ApplicationPage ? pages[page] : nullptr;
}

bool portPageShown()
{
    return pageShown(PortPage);
}

bool protocolPageShown()
{
    return pageShown(ProtocolPage);
}
