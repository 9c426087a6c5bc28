// The protocol window; its top row so far, the protocol itself is built with the protocol list.
#include "protocol/protocol_window.h"

#include "app/ids.h"
#include "app/shortcuts.h"
#include "app/toolbars.h"
#include "app/windows.h"

void createProtocolWindow()
{
    createWindowFrame(WinProtocol);
    buildToolbar(WinProtocol, windowFixed(WinProtocol));
    registerShortcuts(WinProtocol);
}

void resetProtocolState() {}
void clearProtocol(bool) {}
void autoSizeColumns(int, int) {}
void deleteProtocolRow() {}
void applyProtocolSettings() {}
void keepProtocolChoicesConsistent(int) {}

bool protocolShownAsTable()
{
    return false;
}

void exportProtocolToClipboard(int) {}
void saveProtocolLog() {}
void autosaveProtocol() {}
