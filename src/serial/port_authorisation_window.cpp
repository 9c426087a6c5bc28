// Port discovery as the program runs it, and the port authorisation window (window 8) with
// its list of the discovered ports and the buttons that grant and withdraw access.
#include "serial/port_authorisation_window.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "serial/port_address.h"
#include "serial/port_commands.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

// Lets the devices and the log settle after the commands, as the kernel writes asynchronously.
constexpr gulong settleMicroseconds = 100000;

struct AuthButton {
    int id;
    int y;
    const char* label;
    const char* toolTip;
};

const AuthButton authButtons[] = {
    {IdAuthDiscoverAll, 45, "Aktualisieren (Alle)",
     "Liest alle vorhandenen, direkten und USB-Com-Ports neu ein und listet diese."},
    {IdAuthDiscoverAccessible, 75, "dto. nur mit Zugriff",
     "Liest alle freigeschalteten, direkten und USB-Com-Ports neu ein und listet diese."},
    {IdAuthGrant, 105, "Sel. Ports autorisieren",
     "Alle selektierten, nicht freigeschaltenen Com-Ports können per Sudo-Passwort für den aktuellen User "
     "freigegeben werden."},
    {IdAuthWithdraw, 135, "Sel. Ports unautorisieren",
     "Alle selektierten, für den User freigeschaltenen Com-Ports können per Sudo-Passwort wieder gesperrt "
     "werden."},
    {IdAuthTakeOver, 165, "Einstellung übernehmen",
     "Aktuell freigeschaltete Ports werden nach Quirlo übernommen (entspricht dem Lupen-Symbol in Settings!). "
     "Danach dort die Geräteeinstellungen den Ports neu zuteilen."},
};

std::string loginName()
{
    return g_get_user_name();
}

// The scan file's text; a file that cannot be read counts as empty.
std::string readScanFile()
{
    std::string bytes;
    readWholeFile(discoveryPlaces.scanFile, bytes);
    return fileBytesToUtf8(bytes);
}

// The ports that the kernel log announces, through the scan file as the commands leave it.
std::vector<DiscoveredPort> portsFromKernelLog()
{
    std::string file = shellQuoted(discoveryPlaces.scanFile);
    runInXterm("dmesg | grep ttyS | tee " + file);
    runInXterm("dmesg | grep ttyUS | tee -a " + file);
    runInXterm("dmesg | grep ttyACM | tee -a " + file);
    g_usleep(settleMicroseconds);
    return parseKernelLog(readScanFile());
}

// The access check of the ports the kernel log announced, from "ls -l" of each device file.
bool accessFromListing(const std::string& groups)
{
    std::string file = shellQuoted(discoveryPlaces.scanFile);
    // Only names under /dev reach the commands: a path or a network address never does.
    for (int64_t k = 0; k < portCount; ++k) {
        if (portAddressOf(PortTable[k].name).kind == PortAddress::Kind::Device)
            runInXterm("ls -l " + shellQuoted(portDevicePath(PortTable[k])) + " | tee -a " + file);
    }
    g_usleep(settleMicroseconds);
    return checkAccessFromListing(PortTable, portCount, readScanFile(), groups, loginName());
}

void refillAuthList()
{
    if (!controlExists(WinPortAuth, IdAuthList))
        return;
    removeAllRows(WinPortAuth, IdAuthList);
    {
        BulkListChange bulk(WinPortAuth, IdAuthList);
        for (int64_t k = 0; k < portCount; ++k)
            insertRow(WinPortAuth, IdAuthList, -1, {PortTable[k].name, PortTable[k].tag, PortTable[k].access});
    }
    setControlEnabled(WinPortAuth, IdAuthGrant, false);
    setControlEnabled(WinPortAuth, IdAuthWithdraw, false);
    if (GtkWidget* window = windowWidget(WinPortAuth); window && gtk_widget_get_window(window))
        gdk_window_process_updates(gtk_widget_get_window(window), TRUE);
}

// The device paths of the selected rows whose access column reads access, in list order.
std::vector<std::string> selectedDevices(const std::string& access)
{
    std::vector<std::string> devices;
    for (int row : selectedRows(WinPortAuth, IdAuthList)) {
        std::string name = cellText(WinPortAuth, IdAuthList, row, 0);
        if (cellText(WinPortAuth, IdAuthList, row, 2) == access &&
            portAddressOf(name).kind == PortAddress::Kind::Device)
            devices.push_back("/dev/" + name);
    }
    return devices;
}

void runChmod(const std::string& rights, const std::vector<std::string>& devices)
{
    std::string command = "sudo chmod " + rights;
    for (const std::string& device : devices)
        command += " " + shellQuoted(device);
    runInXterm(command);
}

void onSelectionChanged(GtkTreeSelection*, gpointer)
{
    if (!changesSilenced())
        postEvent(EvControl, WinPortAuth, IdAuthList, CtlChange);
}

} // namespace

void discoverPorts(bool onlyAccessible)
{
    const auto counted = std::min<size_t>(static_cast<size_t>(std::max<int64_t>(portCount, 0)), PortTable.size());
    const std::vector<PortEntry> before(PortTable.begin(), PortTable.begin() + static_cast<std::ptrdiff_t>(counted));
    std::vector<DiscoveredPort> found = portsFromKernelLog();
    // Where only root may read the kernel log, it announces nothing: the kernel's device list
    // still knows the ports.
    bool fromLog = !found.empty();
    if (!fromLog)
        found = portsFromSysfs(discoveryPlaces.sysRoot);
    // Instruments on USB are no serial ports: the kernel's device list names them.
    std::vector<DiscoveredPort> instruments = usbtmcPorts(discoveryPlaces.sysRoot, discoveryPlaces.devRoot);
    found.insert(found.end(), instruments.begin(), instruments.end());
    portCount = fillPortTable(PortTable, found);
    if (portCount == 0 && manualPorts.empty())
        messageBox(WinMain, "Quirlo",
                   "Auf dem Rechner wurde keine COM-Schnittstelle gefunden!\n\nVorhandene USB-Seriell-Adapter "
                   "anschließen und unter\n'COM-/Protokoll-Settings' - 'Port/COM/Handling' bei\n'Port-Auswahl...' "
                   "die Lupe für eine erneute Suche klicken!",
                   IconWarning, ButtonsOk);
    g_remove(discoveryPlaces.scanFile.c_str());

    std::string groups = programOutput({"groups"});
    bool allAccessible = fromLog ? accessFromListing(groups)
                                 : checkAccessFromFiles(PortTable, portCount, discoveryPlaces.devRoot, groups, loginName());
    if (onlyAccessible) {
        for (int64_t k = portCount - 1; k >= 0; --k) {
            if (PortTable[k].accessible == 0)
                removePortEntry(PortTable, portCount, k);
        }
    }
    addManualPorts(PortTable, portCount, manualPorts, discoveryPlaces.devRoot, loginName());
    keepPortsWithTheirDevices(before);
    setControlText(WinPortAuth, IdAuthShowing,
                   onlyAccessible ? "Anzeige: freigeschaltete" : "Anzeige: alle vorhandenen");
    if (!allAccessible)
        showPortAuthWindow();
    refillAuthList();
}

void checkXterm()
{
    if (programOutput({"which", "xterm"}).empty())
        messageBox(WinMain, "Quirlo", "Zur Autorisierung der Schnittstellen\nmuss 'xterm' installiert sein!",
                   IconInfo, ButtonsOk);
}

void createPortAuthWindow()
{
    if (windowExists(WinPortAuth))
        return;
    createWindowFrame(WinPortAuth);
    GtkWidget* fixed = windowFixed(WinPortAuth);
    GtkWidget* heading = gtk_label_new("Zugriffsverwaltung für vorhandene serielle Schnittstellen ...");
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    putControl(fixed, WinPortAuth, IdAuthHeading, heading, 5, 5, 480, 22);
    GtkWidget* showing = gtk_label_new("Anzeige: freigeschaltete");
    gtk_misc_set_alignment(GTK_MISC(showing), 0.0f, 0.5f);
    putControl(fixed, WinPortAuth, IdAuthShowing, showing, 10, 25, 480, 22);
    GtkWidget* list = createListControl(WinPortAuth, IdAuthList,
                                        {{"ComPort-Name", 100, false}, {"tag", 110, false}, {"access", 70, false}},
                                        true);
    putControl(fixed, WinPortAuth, 0, list, 5, 45, 285, 145);
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(controlWidget(WinPortAuth, IdAuthList))), "changed",
                     G_CALLBACK(onSelectionChanged), nullptr);
    for (const AuthButton& spec : authButtons) {
        GtkWidget* button = putButton(fixed, WinPortAuth, spec.id, spec.label, 300, spec.y, 180, 26, false);
        gtk_widget_set_tooltip_text(button, spec.toolTip);
        if (spec.id != IdAuthTakeOver)
            gtk_button_set_focus_on_click(GTK_BUTTON(button), FALSE);
    }
    setControlEnabled(WinPortAuth, IdAuthGrant, false);
    setControlEnabled(WinPortAuth, IdAuthWithdraw, false);
    gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(windowWidget(WinPortAuth))));
}

void showPortAuthWindow()
{
    if (GtkWidget* window = windowWidget(WinPortAuth)) {
        gtk_widget_show(window);
        gtk_window_present(GTK_WINDOW(window));
    }
}

void grantPortAccess()
{
    if (selectedRows(WinPortAuth, IdAuthList).empty())
        return;
    std::vector<std::string> devices = selectedDevices("no");
    if (!devices.empty())
        runChmod("o+rw", devices);
    discoverPorts(false);
}

void withdrawPortAccess()
{
    if (selectedRows(WinPortAuth, IdAuthList).empty())
        return;
    std::vector<std::string> devices = selectedDevices(loginName());
    bool groupRights = !selectedDevices("dialout").empty();
    if (!devices.empty())
        runChmod("o-rw", devices);
    if (groupRights)
        messageBox(WinMain, "Quirlo",
                   "Die Gruppenfreigabe für einen Port kann hier nicht zurückgesetzt werden.\nDies muss vom Admin in "
                   "der Systemverwaltung (Benutzer und Gruppen) erfolgen!",
                   IconInfo, ButtonsOk);
    discoverPorts(false);
}
