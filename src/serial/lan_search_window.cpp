// The window of the search for instruments on the LAN.
#include "serial/lan_search_window.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>

#include "serial/lan_search.h"
#include "serial/port_commands.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

// Each broadcast and the mDNS browse take this long: answers on a LAN come within
// milliseconds, and the whole search stays within a few seconds.
constexpr int stepMs = 1000;
constexpr int progressTickMs = 100;

LanSearch search;
// Until the search tells its steps, the bar counts on three: the loopback, one network, mDNS.
constexpr int assumedSteps = 3;
int steps = assumedSteps;
int stepsDone = 0;
gint64 startedAt = 0;

GtkProgressBar* progressBar()
{
    GtkWidget* bar = controlWidget(WinLanSearch, IdLanProgress);
    return bar ? GTK_PROGRESS_BAR(bar) : nullptr;
}

std::string countText(int found)
{
    return found == 1 ? "1 Gerät" : std::to_string(found) + " Geräte";
}

void showProgress(double fraction)
{
    if (GtkProgressBar* bar = progressBar())
        gtk_progress_bar_set_fraction(bar, std::clamp(fraction, 0.0, 1.0));
}

void setSearching(bool on)
{
    setControlEnabled(WinLanSearch, IdLanSearch, !on);
    setControlEnabled(WinLanSearch, IdLanStop, on);
}

void searchEnded(bool complete)
{
    removeTimer(WinLanSearch, TimerLanSearch);
    setSearching(false);
    showProgress(1.0);
    int found = rowCount(WinLanSearch, IdLanList);
    std::string outcome = found ? countText(found) + " gefunden. Doppelklick fügt den Port hinzu."
                                : "kein Gerät gefunden (VXI-11-Rundruf und mDNS).";
    setControlText(WinLanSearch, IdLanState,
                   complete ? "Suche beendet: " + outcome
                            : "Suche vorzeitig beendet (das Suchprogramm fiel aus): " + outcome);
}

void onFound(const FoundInstrument& instrument)
{
    insertRow(WinLanSearch, IdLanList, -1, {instrument.port, instrument.id});
    setControlText(WinLanSearch, IdLanState,
                   "Suche läuft ... " + countText(rowCount(WinLanSearch, IdLanList)) + " gefunden");
}

void onStepped(int done, int of)
{
    stepsDone = done;
    steps = of;
    showProgress(static_cast<double>(done) / steps);
}

} // namespace

void createLanSearchWindow()
{
    createWindowFrame(WinLanSearch);
    GtkWidget* fixed = windowFixed(WinLanSearch);
    GtkWidget* heading =
        gtk_label_new("Instrumente im Netz: VXI-11-Rundruf auf jeder Schnittstelle, mDNS, wo avahi läuft");
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    putControl(fixed, WinLanSearch, 0, heading, 5, 4, 530, 22);
    GtkWidget* list = createListControl(WinLanSearch, IdLanList, {{"Port", 180, false}, {"*IDN?", 330, false}}, false);
    putControl(fixed, WinLanSearch, 0, list, 5, 28, 530, 170);
    connectControlEvent(controlWidget(WinLanSearch, IdLanList), "row-activated", WinLanSearch, IdLanList,
                        CtlActivate);
    gtk_widget_set_tooltip_text(controlWidget(WinLanSearch, IdLanList),
                                "Doppelklick nimmt das Gerät als Port in die Portauswahl auf");
    putControl(fixed, WinLanSearch, IdLanProgress, gtk_progress_bar_new(), 5, 206, 245, 24);
    GtkWidget* state = putControl(fixed, WinLanSearch, IdLanState, gtk_label_new(""), 5, 240, 530, 24);
    gtk_misc_set_alignment(GTK_MISC(state), 0.0f, 0.5f);
    putButton(fixed, WinLanSearch, IdLanSearch, "Suchen", 256, 205, 70, 26, false);
    putButton(fixed, WinLanSearch, IdLanStop, "Stop", 330, 205, 60, 26, false);
    putButton(fixed, WinLanSearch, IdLanAdd, "Port hinzufügen", 394, 205, 141, 26, false);
    gtk_widget_set_tooltip_text(controlWidget(WinLanSearch, IdLanAdd),
                                "Nimmt das gewählte Gerät als Port in die Portauswahl auf (wie ein Doppelklick)");
    setSearching(false);
}

void openLanSearch()
{
    showWindow(WinLanSearch);
    gtk_window_present(GTK_WINDOW(windowWidget(WinLanSearch)));
    if (!search.running())
        startLanSearch();
}

void startLanSearch()
{
    removeAllRows(WinLanSearch, IdLanList);
    stepsDone = 0;
    steps = assumedSteps;
    if (!search.start({onFound, onStepped, searchEnded}, stepMs)) {
        setControlText(WinLanSearch, IdLanState,
                       "Suche nicht möglich: das Suchprogramm quirlo-lan-search fehlt neben Quirlo.");
        return;
    }
    startedAt = g_get_monotonic_time();
    showProgress(0.0);
    setSearching(true);
    setControlText(WinLanSearch, IdLanState, "Suche läuft ...");
    addTimer(WinLanSearch, TimerLanSearch, progressTickMs);
}

void stopLanSearch()
{
    if (!search.running())
        return;
    search.stop();
    removeTimer(WinLanSearch, TimerLanSearch);
    setSearching(false);
    setControlText(WinLanSearch, IdLanState,
                   "Suche angehalten: " + countText(rowCount(WinLanSearch, IdLanList)) + " gefunden.");
}

void lanSearchTick()
{
    if (!search.running())
        return;
    // Between two steps the bar moves with the time, but never past the step under way.
    double elapsed = static_cast<double>(g_get_monotonic_time() - startedAt) / 1000.0 / (steps * stepMs);
    showProgress(std::min(std::max(elapsed, static_cast<double>(stepsDone) / steps),
                          static_cast<double>(stepsDone + 1) / steps));
    addTimer(WinLanSearch, TimerLanSearch, progressTickMs);
}

void addFoundPort()
{
    int row = selectedRow(WinLanSearch, IdLanList);
    if (row < 0)
        return;
    std::string port = cellText(WinLanSearch, IdLanList, row, 0);
    addPortNamed(port);
    for (int64_t index = 0; index < portCount; ++index) {
        if (PortTable[index].name == port)
            setControlText(WinLanSearch, IdLanState,
                           "Port " + port + " hinzugefügt: Geräte-Einstellungen wählen und übernehmen.");
    }
}

void closeLanSearch()
{
    stopLanSearch();
    hideWindow(WinLanSearch);
}
