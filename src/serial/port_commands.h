// The port commands of the settings window, the program window and the program's port rows,
// as the main loop and the runner call them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/ini_settings.h"
#include "serial/port_table.h"
#include "serial/transport.h"

// After a discovery has filled the table anew: settings, configured and open state, the open
// device and its hang-up watch go with their device to its new position; a device that left
// the table is closed; the current port follows its device, or is none when it left.
void keepPortsWithTheirDevices(const std::vector<PortEntry>& before);
// Applies the settings form to the chosen port, which becomes current, and opens it; a port
// that does not open loses its settings and the user is told. The main loop refuses it while a
// program runs.
void applyPortSettings();
// The program window's port button and label show whether the current port is open.
void showCurrentPortState();
// Opens or closes a configured port (-1: every port), writing the port-control protocol
// lines; nothing happens while no port is current.
void portOpen(int64_t index);
void portClose(int64_t index);
// The program rows OpenPort, ClosePort and ChangePort with their "Parameter:" cell. OpenPort
// gives the port it named (-1: every port); a connect it started ends later.
int64_t openPortCommand(const std::string& parameter);
// Why ports that an OpenPort row named are not open (empty when all are), once no connect is
// under way.
std::string portsNotOpen(int64_t index);
// A connect ended (the connect listener's event): the port's protocol line and state, and the
// end of what asked for it (the settings window's apply, the port button).
void portConnectEnded(int64_t index);
// A connect is under way on some port.
bool portsConnecting();
void closePortCommand(const std::string& parameter);
void changePortCommand(const std::string& parameter);
// The program rows SetDTR and SetRTS: the line of the current port to the cell's 0 or 1.
void setLineCommand(SerialLine line, const std::string& parameter);
// The program window's port button: closes or opens the current port (index -1: none).
void togglePort(int64_t index);
// A click on a port indicator makes exactly that port current.
void portIndicatorClicked(int id);
// The pop-up menu of a port indicator, and its "Gerät zurücksetzen": the device clear of a port
// whose class has one (USBTMC), told in the protocol.
void showPortMenu(int id);
void clearMenuPortDevice();
// Closes a port whose device has gone away, with the protocol line "getrennt"; true when it
// did.
bool closeIfLost(int64_t index);
// A lost port's device may be back: the port opens again with its settings, and the protocol
// says "#N wieder verbunden"; else it waits on.
void portReturned(int64_t index);
// Told after ports opened, closed, went away, moved in the table, or another became current.
void setPortStateListener(std::function<void()> listener);
// Gives the indicators of the table's ports the look of their state; full also disables the
// indicators without a port and refills the "COM-Port:" list.
void refreshPortIndicators(bool full);
// Adds the port the user names (a device under /dev, a path or tcp:HOST:PORT) to the port table
// as "manuell" and chooses it on the settings page; a name that is no port is refused with its
// reason. A path must name a character device, which the file system is asked.
void addPortNamed(const std::string& text);
// The Quirlo.ini group "MANUELLEPORTS": the ports added on the settings page, read before the
// port search.
IniGroup addedPortsIniGroup();
