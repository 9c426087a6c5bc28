// Port discovery, authorisation, device settings files and port commands as the main loop
// calls them.
#pragma once

#include <cstdint>

// Finds the serial ports and the user's access to them, fills the port table and the
// authorisation list; with onlyAccessible the ports the user may not open are left out. Warns
// when there is no port, and shows the authorisation window when a port is not accessible.
void discoverPorts(bool onlyAccessible);
// Tells the user when xterm, which discovery and authorisation run in, is missing.
void checkXterm();
// The port authorisation window, created hidden.
void createPortAuthWindow();
void showPortAuthWindow();
// Runs "sudo chmod o+rw" in xterm for the selected rows without access, then rediscovers.
void grantPortAccess();
// Runs "sudo chmod o-rw" for the selected rows open to the user, tells when a selected row
// has group rights, then rediscovers.
void withdrawPortAccess();
// Fills the form from a *.set file that the user chooses; needs a chosen port.
void loadSettingsFile();
// Writes the form to a *.set file that the user chooses, replacing the file whole.
void saveSettingsFile();
// Shows the port chosen in the "COM-Port:" list: its number, its tag, and its settings in the
// form (the reset values for a port without settings).
void showSettingsOfPort(int64_t index);
void applyPortSettings();
// The program window's port button: opens or closes the port (-1: no current port).
void togglePort(int64_t index);
void portIndicatorClicked(int id);
// Gives the indicators of the table's ports the look of their state; full also disables the
// indicators without a port and refills the "COM-Port:" list.
void refreshPortIndicators(bool full);
