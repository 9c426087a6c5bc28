// Port discovery and the port authorisation window, as the main loop and the settings page
// call them.
#pragma once

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
