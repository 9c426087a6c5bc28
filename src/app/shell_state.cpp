// The shell's process-wide state.
#include "app/shell_state.h"

#include "app/paths.h"
#include "lists/list_files.h"
#include "protocol/protocol_files.h"
#include "serial/device_settings.h"
#include "serial/port_discovery.h"

ShellState shell;

void initShellState(const std::string& programDir)
{
    shell = ShellState{};
    shell.programDir = programDir;
    discoveryPlaces.scanFile = findHomeDir() + "tty.txt";
    devicesDir = shell.programDir + "Devices/";
    commandsDir = shell.programDir + "Cmd/";
    programsDir = shell.programDir + "Run/";
    logDir = shell.programDir + "Log/";
    tempDir.clear();
}
