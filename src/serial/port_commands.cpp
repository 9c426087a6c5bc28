// The port commands of the settings window, the program window and the program's port rows:
// applying the settings form to a port, opening, closing and changing ports, the modem lines,
// and the sixteen indicators that show each port's state.
#include "serial/port_commands.h"

#include <glib-unix.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/text.h"
#include "protocol/protocol_window.h"
#include "serial/device_io.h"
#include "serial/device_settings.h"
#include "serial/path_watch.h"
#include "serial/port_address.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/popup_menus.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

namespace {

constexpr int highestIndicator = IdSetPortIndicatorLast - IdSetPortIndicatorFirst;
const char* const openGreen = "#00ff00";
const char* const closedRed = "#ff9696";
// The receive buffer is for one response; a mistyped size must not take the machine's memory.
constexpr int64_t largestInBuffer = 1 << 20;

void portProtocol(const std::string& text)
{
    if (toggleState(WinSettings, IdSetPortCommands))
        protocolOut(text, -1, "");
}

std::string portNumber(int64_t index)
{
    return "#" + std::to_string(index);
}

bool validPort(int64_t index)
{
    return index >= 0 && index < portCount && index < static_cast<int64_t>(PortTable.size());
}

} // namespace

void showCurrentPortState()
{
    if (!windowExists(WinProgram))
        return;
    bool open = validPort(currentPort) && PortTable[currentPort].isOpen != 0;
    setToggleState(WinProgram, IdPrgPortButton, !open);
    std::string name = open ? PortTable[currentPort].name : " - ";
    setControlText(WinProgram, IdPrgPortLabel, name);
    // A long name is shortened in its middle; the tip shows it whole.
    gtk_widget_set_tooltip_text(controlWidget(WinProgram, IdPrgPortLabel), open ? name.c_str() : nullptr);
}

namespace {

// The option "DTR/RTS bei OpenCom 'low' setzen" of the page "Applikation", ticked unless the
// page says otherwise.
bool resetLinesAtOpen()
{
    return !controlExists(WinSettings, IdSetResetLines) || toggleState(WinSettings, IdSetResetLines);
}

std::function<void()> portStateListener;

void tellPortState()
{
    if (portStateListener)
        portStateListener();
}

// Who asked for a connect that is under way: a program row, "Porteinstell. übernehmen", or the
// program window's port button; each finishes its own way when the connect ends.
// Who opens a port: a program row, "Porteinstell. übernehmen", the port button, or the port's
// own return after it was lost.
enum class Requester { Row, Apply, Toggle, Return };
std::map<int64_t, Requester> connecting;

// A lost port waits for its device: a directory watch tells when its path is there again, a
// timer when a network port is to be tried again (or a device path that is there but did not
// open). Nothing else runs while a port is lost.
struct ReturnWatch {
    std::unique_ptr<PathWatch> path;
    guint timer = 0;
    int attempts = 0;
};
std::map<int64_t, ReturnWatch> returnWatches;

// The hang-up watch of each open port.
std::map<int64_t, guint> hangUpWatches;

// Tells the main loop what happened to the port (the source's data).
gboolean postPortEvent(int type, gpointer data)
{
    Event event;
    event.kind = EvControl;
    event.window = WinSettings;
    event.type = type;
    event.column = GPOINTER_TO_INT(data);
    postEvent(event);
    return G_SOURCE_REMOVE;
}

// The device of an open port hung up: the main loop closes the port. One report is enough.
gboolean postHangUp(gpointer data)
{
    return postPortEvent(CtlHangUp, data);
}

gboolean postReturned(gpointer data)
{
    return postPortEvent(CtlPortReturned, data);
}

void stopReturnWatch(int64_t index)
{
    auto found = returnWatches.find(index);
    if (found == returnWatches.end())
        return;
    if (found->second.timer != 0)
        g_source_remove(found->second.timer);
    returnWatches.erase(found);
}

// The next try after 1, 2, 4 and then every 8 seconds: a network peer or a device that is not
// ready yet is not asked more than once a second.
void tryAgainLater(int64_t index)
{
    ReturnWatch& watch = returnWatches[index];
    guint seconds = 1u << std::min(watch.attempts++, 3);
    watch.timer = g_timeout_add_seconds(seconds, [](gpointer data) {
        returnWatches[GPOINTER_TO_INT(data)].timer = 0;
        return postReturned(data);
    }, GINT_TO_POINTER(static_cast<int>(index)));
}

void watchForReturn(int64_t index)
{
    PortAddress address = portAddressOf(PortTable[index].name);
    // A pseudo-terminal's name goes to whichever program opens the next one: what comes back
    // under it is not this device (a link to one, as socat makes, is watched by its own name).
    if (address.namesFile() && address.devicePath().rfind("/dev/pts/", 0) == 0)
        return;
    ReturnWatch& watch = returnWatches[index];
    if (address.namesFile() && !watch.path)
        watch.path = std::make_unique<PathWatch>(address.devicePath(), [index] {
            postReturned(GINT_TO_POINTER(static_cast<int>(index)));
        });
    else
        tryAgainLater(index);
}

gboolean onHangUp(gint, GIOCondition, gpointer data)
{
    hangUpWatches.erase(GPOINTER_TO_INT(data));
    return postHangUp(data);
}

// How long a port whose peer left keeps its last bytes for a reader before it is looked at
// again, and how often.
constexpr guint hangUpRecheckMs = 100;
constexpr int hangUpRecheckLimit = 30;
std::map<int64_t, int> hangUpRechecks;

void stopWatching(int64_t index)
{
    auto found = hangUpWatches.find(index);
    if (found == hangUpWatches.end())
        return;
    g_source_remove(found->second);
    hangUpWatches.erase(found);
}

// Watches the open port's device for a hang-up; nothing runs while it stays. A watch left from
// a device the layer closed directly goes first: it would report that device's descriptor.
void watchForHangUp(int64_t index)
{
    stopWatching(index);
    // GLib hands the transport's events to poll as they are (a connection's POLLRDHUP).
    hangUpWatches[index] = g_unix_fd_add(deviceDescriptor(index), GIOCondition(deviceHangUpEvents(index)), onHangUp,
                                         GINT_TO_POINTER(static_cast<int>(index)));
}

} // namespace

void keepPortsWithTheirDevices(const std::vector<PortEntry>& before)
{
    for (size_t k = 0; k < before.size(); ++k) {
        stopWatching(static_cast<int64_t>(k));
        stopReturnWatch(static_cast<int64_t>(k));
    }
    std::vector<int64_t> moved = carryPortState(before, PortTable, portCount);
    deviceRenumber(moved);
    std::map<int64_t, Requester> stillConnecting;
    for (const auto& [index, by] : connecting) {
        if (index < static_cast<int64_t>(moved.size()) && moved[index] >= 0)
            stillConnecting[moved[index]] = by;
    }
    connecting = std::move(stillConnecting);
    for (int64_t k = 0; k < portCount; ++k) {
        if (PortTable[k].isOpen)
            watchForHangUp(k);
        else if (PortTable[k].configured && !PortTable[k].lostWhy.empty())
            watchForReturn(k);
    }
    if (currentPort >= 0)
        currentPort = currentPort < static_cast<PortIndex>(moved.size()) ? moved[currentPort] : -1;
    showCurrentPortState();
    tellPortState();
}

namespace {

// Why the port is not open after an attempt to open it.
std::string notOpenReason(int64_t index)
{
    if (!validPort(index))
        return "existiert nicht";
    if (!PortTable[index].configured)
        return "nicht eingerichtet (Porteinstell. übernehmen)";
    return openFailureText(deviceOpenFailure(index));
}

// The protocol line and the state of a port whose open has ended, opened or not.
void openEnded(int64_t index, Requester by)
{
    PortEntry& entry = PortTable[index];
    if (deviceIsOpen(index)) {
        stopReturnWatch(index);
        // What the port's open told the first time is not told again.
        portProtocol("OpenPort\n\n\n" + portNumber(index) +
                     (by == Requester::Return ? " wieder verbunden" : " Ok" + deviceOpenNote(index)));
        entry.isOpen = 1;
        entry.answerOwed = false;
        entry.lostWhy.clear();
        watchForHangUp(index);
        if (resetLinesAtOpen() && deviceHasLineSettings(index)) {
            deviceSetLine(index, SerialLine::DTR, 0);
            deviceSetLine(index, SerialLine::RTS, 0);
        }
    } else if (by == Requester::Return) {
        // Not yet: the port is tried again later, without a line for each try.
        watchForReturn(index);
    } else {
        portProtocol("OpenPort\n\n\n" + portNumber(index) + " not Ok: " + notOpenReason(index));
    }
    if (index == currentPort)
        showCurrentPortState();
}

void openOne(int64_t index, Requester requester)
{
    if (index >= portCount) {
        portProtocol("ComPort\n\n\n" + portNumber(index) + " existiert nicht");
        return;
    }
    PortEntry& entry = PortTable[index];
    if (!entry.configured)
        return;
    if (entry.isOpen) {
        portProtocol("ComPort\n\n\n" + portNumber(index) + " bereits geöffnet");
        return;
    }
    if (deviceOpen(index, entry.name, entry.settings) == OpenProgress::Connecting)
        connecting[index] = requester;
    else
        openEnded(index, requester);
}

void closeOne(int64_t index, const char* result)
{
    // A port closed on purpose stays closed, also one that was lost.
    stopReturnWatch(index);
    if (!validPort(index) || !PortTable[index].configured)
        return;
    PortEntry& entry = PortTable[index];
    if (entry.isOpen || connecting.erase(index)) {
        stopWatching(index);
        deviceClose(index);
        entry.isOpen = 0;
        portProtocol("CloseCom\n\n\n" + portNumber(index) + result);
    } else {
        portProtocol("CloseCom\n\n\n" + portNumber(index) + " not Ok");
    }
    if (index == currentPort)
        showCurrentPortState();
}

// A port number of a program row: the cell's decimal value, -1 (all ports) when it is empty.
int64_t portParameter(const std::string& parameter)
{
    if (parameter.empty())
        return -1;
    double value = decimalValue(parameter);
    if (value < 0 || value > 255) {
        messageBox(WinProgram, "Quirlo", "Ungültiger Parameter auf\nOpen-/CloseCom", IconWarning, ButtonsOk);
        return -1;
    }
    return static_cast<int64_t>(value);
}

// Runs the operation for the port (-1: every port in index order) and refreshes the
// indicators; nothing but the refresh while no port is current.
void forPorts(int64_t index, const std::function<void(int64_t)>& operation)
{
    if (currentPort != -1 && index == -1) {
        for (int64_t k = 0; k < portCount; ++k)
            operation(k);
    } else if (currentPort != -1) {
        operation(index);
    }
    refreshPortIndicators(false);
}

void openPorts(int64_t index, Requester by)
{
    forPorts(index, [by](int64_t one) { openOne(one, by); });
}

void makeCurrent(int64_t index, const std::string& result)
{
    currentPort = index;
    showCurrentPortState();
    refreshPortIndicators(false);
    portProtocol("ChangeCom\n\n\n" + portNumber(currentPort) + result);
}

} // namespace

void refreshPortIndicators(bool full)
{
    int64_t shown = std::min<int64_t>(highestIndicator + 1, portCount);
    for (int index = 0; index < shown; ++index) {
        const PortEntry& entry = PortTable[index];
        if (entry.configured)
            showIndicator(index, true, entry.isOpen ? openGreen : closedRed, index == currentPort);
        else
            showIndicator(index, true, nullptr, false);
    }
    tellPortState();
    if (!full)
        return;
    for (int index = static_cast<int>(shown); index <= highestIndicator; ++index)
        showIndicator(index, false, nullptr, false);
    refillPortChoices();
}

void setPortStateListener(std::function<void()> listener)
{
    portStateListener = std::move(listener);
}

void addPortNamed(const std::string& text)
{
    PortAddress address;
    std::string refused = parsePortAddress(text, g_get_home_dir(), address);
    if (refused.empty() && addedPorts.size() >= maxAddedPorts &&
        std::find(addedPorts.begin(), addedPorts.end(), address.name) == addedPorts.end())
        refused = "Es sind schon " + std::to_string(maxAddedPorts) + " Ports hinzugefügt, mehr nicht.";
    if (refused.empty() && address.namesFile()) {
        std::string path = address.devicePath();
        struct stat file;
        if (stat(path.c_str(), &file) != 0)
            refused = "Nicht vorhanden: " + path;
        else if (!S_ISCHR(file.st_mode))
            refused = "Kein Gerät (keine Zeichengerätedatei): " + path;
    }
    if (!refused.empty()) {
        messageBox(WinSettings, "Quirlo", "Port nicht hinzugefügt:\n" + refused, IconWarning, ButtonsOk);
        return;
    }
    for (std::vector<std::string>* list : {&manualPorts, &addedPorts}) {
        if (std::find(list->begin(), list->end(), address.name) == list->end())
            list->push_back(address.name);
    }
    addManualPorts(PortTable, portCount, {address.name}, discoveryPlaces.devRoot, g_get_user_name());
    refreshPortIndicators(true);
    for (int64_t index = 0; index < portCount; ++index) {
        if (PortTable[index].name == address.name)
            gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetPortBox)), static_cast<int>(index));
    }
}

namespace {

// The end of "Porteinstell. übernehmen", once the port's open has ended: a port that did not
// open loses its settings and the user is told.
void applyEnded(int64_t index)
{
    PortEntry& entry = PortTable[index];
    if (!entry.isOpen) {
        entry.configured = 0;
        messageBox(WinSettings, "Quirlo",
                   entry.name + " konnte nicht initialisiert werden!\nGrund: " +
                       openFailureText(deviceOpenFailure(index)) + "\nBitte die Geräte-COM-Einstellungen prüfen.",
                   IconWarning, ButtonsOk);
    } else {
        setControlEnabled(WinProgram, IdPrgRun, true);
    }
    showCurrentPortState();
    refreshPortIndicators(false);
    if (!windowExists(WinProtocol))
        showOrToggleWindow(WinProtocol);
}

// The program window's port button and Run show what the current port is now: an
// unconfigured port does not open.
void toggleEnded(int64_t index)
{
    showCurrentPortState();
    setControlEnabled(WinProgram, IdPrgRun, validPort(index) && PortTable[index].isOpen);
}

} // namespace

void applyPortSettings()
{
    int64_t chosen = intValue(controlText(WinSettings, IdSetPortNumber));
    SettingsForm form = readForm();
    bool complete = formComplete(form, nameHasLineSettings(controlText(WinSettings, IdSetPortBox)));
    if (!validPort(chosen) || !complete) {
        messageBox(WinSettings, "Quirlo",
                   complete ? "Es ist kein gültiger Com-Port\n> " + std::to_string(chosen) + "\ngewählt"
                            : "Die Geräte COM- oder Schnittstellen-\nEinstellungen sind nicht vollständig.\nBitte "
                              "ausfüllen oder laden!",
                   IconWarning, ButtonsOk);
        return;
    }
    currentPort = chosen;
    PortEntry& entry = PortTable[currentPort];
    if (entry.isOpen || deviceConnecting(currentPort))
        portClose(currentPort);
    entry.name = controlText(WinSettings, IdSetPortBox);
    entry.configured = 1;
    entry.isOpen = deviceIsOpen(currentPort) ? 1 : 0;
    entry.settings = settingsFromForm(form);
    entry.errFlags = 0;
    entry.errText.clear();
    entry.inBuffer.assign(static_cast<size_t>(std::clamp<int64_t>(entry.settings.inBufferSize, 0, largestInBuffer)), 0);
    openPorts(currentPort, Requester::Apply);
    if (!connecting.count(currentPort))
        applyEnded(currentPort);
}

void portOpen(int64_t index)
{
    openPorts(index, Requester::Row);
}

void portClose(int64_t index)
{
    forPorts(index, [](int64_t one) { closeOne(one, " Ok"); });
}

int64_t openPortCommand(const std::string& parameter)
{
    int64_t index = portParameter(parameter);
    portOpen(index);
    return index;
}

std::string portsNotOpen(int64_t index)
{
    std::string why;
    for (int64_t one = index < 0 ? 0 : index; one <= (index < 0 ? portCount - 1 : index); ++one) {
        bool used = index >= 0 || (validPort(one) && PortTable[one].configured);
        if (used && !(validPort(one) && PortTable[one].isOpen))
            why += (why.empty() ? "" : "; ") + portNumber(one) + " nicht geöffnet: " + notOpenReason(one);
    }
    return why;
}

void closePortCommand(const std::string& parameter)
{
    portClose(portParameter(parameter));
}

void togglePort(int64_t index)
{
    if (index == -1) {
        messageBox(WinProgram, "Quirlo", "Kein Port initialisiert!", IconWarning, ButtonsOk);
        setToggleState(WinProgram, IdPrgPortButton, true);
        return;
    }
    if (toggleState(WinProgram, IdPrgPortButton)) {
        portClose(index);
    } else {
        openPorts(index, Requester::Toggle);
    }
    if (!connecting.count(index))
        toggleEnded(index);
}

void portConnectEnded(int64_t index)
{
    auto found = connecting.find(index);
    if (found == connecting.end())
        return;
    Requester by = found->second;
    connecting.erase(found);
    openEnded(index, by);
    refreshPortIndicators(false);
    if (by == Requester::Apply)
        applyEnded(index);
    else if (by == Requester::Toggle)
        toggleEnded(index);
}

bool portsConnecting()
{
    return !connecting.empty();
}

void changePortCommand(const std::string& parameter)
{
    if (!controlExists(WinProgram, IdPrgList))
        return;
    double value = decimalValue(parameter);
    // Without a port there is nothing to change to.
    if (value < 0 || value > 255 || portCount == 0) {
        portProtocol("ChangeCom\n\n\n" + portNumber(currentPort) + " not Ok");
        return;
    }
    int64_t wanted = static_cast<int64_t>(value);
    int64_t port = std::max<int64_t>(std::min<int64_t>(wanted, portCount - 1), 0);
    if (port != wanted)
        messageBox(WinProgram, "Quirlo",
                   "Der angegebene Port " + std::to_string(wanted) + " liegt nicht zwischen 0 und " +
                       std::to_string(portCount - 1) +
                       "!\nDie Portnummer wurde zur Sicherheit in den Gültigkeitsbereich geändert.\nDas Programm "
                       "könnte nicht funktionieren!",
                   IconWarning, ButtonsOk);
    makeCurrent(port, " Ok");
}

void portIndicatorClicked(int id)
{
    int64_t index = id - IdSetPortIndicatorFirst;
    if (index >= 0 && index < portCount)
        makeCurrent(index, " Ok");
}

namespace {

int64_t menuPort = -1;

} // namespace

void showPortMenu(int id)
{
    menuPort = id - IdSetPortIndicatorFirst;
    setMenuItemEnabled(PopupPort, MenuSetDeviceClear, validPort(menuPort) && deviceClears(menuPort));
    showPopupMenu(PopupPort);
}

void clearMenuPortDevice()
{
    if (!validPort(menuPort))
        return;
    bool cleared = deviceClear(menuPort);
    portProtocol("DevClear\n\n\n" + portNumber(menuPort) + (cleared ? " Ok" : " not Ok"));
}

void setLineCommand(SerialLine line, const std::string& parameter)
{
    if (parameter.empty())
        return;
    double level = decimalValue(parameter);
    if (level != 0 && level != 1) {
        messageBox(WinProgram, "Quirlo", "Ungültiger Parameter auf\nSetDTR/SetRTS", IconWarning, ButtonsOk);
        return;
    }
    if (validPort(currentPort))
        deviceSetLine(currentPort, line, static_cast<int>(level));
}

bool closeIfLost(int64_t index)
{
    if (!validPort(index) || !PortTable[index].isOpen)
        return false;
    bool lost = deviceLost(index);
    bool waiting = deviceInputWaits(index);
    // A peer that left while its last bytes wait: they are read first, and the port is looked
    // at again until nothing is left, or until nobody read them for a while.
    if (!lost && waiting && ++hangUpRechecks[index] <= hangUpRecheckLimit) {
        g_timeout_add(hangUpRecheckMs, postHangUp, GINT_TO_POINTER(static_cast<int>(index)));
        return false;
    }
    hangUpRechecks.erase(index);
    if (!lost && !waiting)
        return false;
    PortEntry& entry = PortTable[index];
    std::string why = deviceLostWhy(index);
    closeOne(index, " getrennt");
    entry.lostWhy = "Verbindung zu " + portNumber(index) + " " + entry.name + " verloren: " + why;
    entry.lastLoss = entry.lostWhy;
    ++entry.losses;
    watchForReturn(index);
    refreshPortIndicators(false);
    return true;
}

void portReturned(int64_t index)
{
    if (!returnWatches.count(index))
        return;
    if (!validPort(index) || !PortTable[index].configured || PortTable[index].isOpen || connecting.count(index)) {
        stopReturnWatch(index);
        return;
    }
    // The device answers to its old name again: the same settings, the same exclusive open.
    openOne(index, Requester::Return);
    refreshPortIndicators(false);
}

IniGroup addedPortsIniGroup()
{
    IniGroup group("MANUELLEPORTS");
    group.list = IniList{"Port", [] { return addedPorts; },
                         [](const std::vector<std::string>& names) {
                             std::string warning;
                             addedPorts = acceptedAddedPorts(names, g_get_home_dir(), warning);
                             if (!warning.empty())
                                 messageBox(WinMain, "Quirlo", warning, IconWarning, ButtonsOk);
                         }};
    group.written = [] { return !addedPorts.empty(); };
    group.readApart = true;
    return group;
}
