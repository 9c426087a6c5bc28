// The protocol window (window 4), the protocol state, export and autosave as the main loop
// calls them.
#pragma once

#include <gtk/gtk.h>

void createProtocolWindow();
void resetProtocolState();
void clearProtocol(bool ask);
void autoSizeColumns(int window, int list);
void deleteProtocolRow();
void applyProtocolSettings();
void keepProtocolChoicesConsistent(int id);
bool protocolShownAsTable();
void exportProtocolToClipboard(int format);
void saveProtocolLog();
void autosaveProtocol();
