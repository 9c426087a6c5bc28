// Port discovery, authorisation, device settings files and port commands as the main loop
// calls them.
#pragma once

#include <cstdint>

void discoverPorts(bool onlyAccessible);
void checkXterm();
void createPortAuthWindow();
void showPortAuthWindow();
void grantPortAccess();
void withdrawPortAccess();
void loadSettingsFile();
void saveSettingsFile();
void showSettingsOfPort(int64_t index);
void applyPortSettings();
// The program window's port button: opens or closes the port (-1: no current port).
void togglePort(int64_t index);
void portIndicatorClicked(int id);
void refreshPortIndicators(bool all);
