// The settings window; a frame so far, its pages are built with the device settings dialog.
#include "serial/settings_window.h"

#include "app/ids.h"
#include "app/shortcuts.h"
#include "app/windows.h"

void createSettingsWindow()
{
    createWindowFrame(WinSettings);
    registerShortcuts(WinSettings);
}

void enableSubStringFields() {}
void enableErrorQueryFields() {}

long long selectedPortChoice()
{
    return -1;
}

bool portPageShown()
{
    return false;
}

bool protocolPageShown()
{
    return false;
}
