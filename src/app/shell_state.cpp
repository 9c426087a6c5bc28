// The shell's process-wide state.
#include "app/shell_state.h"

#include "lists/list_files.h"
#include "protocol/protocol_files.h"
#include "serial/device_settings.h"
#include "serial/port_discovery.h"

ShellState shell;

void initShellState(const std::string& programDir)
{
    shell = ShellState{};
    shell.programDir = programDir;
    discoveryPlaces.scanFile = makeScanFile();
    devicesDir = shell.programDir + "Devices/";
    commandsDir = shell.programDir + "Cmd/";
    programsDir = shell.programDir + "Run/";
    logDir = shell.programDir + "Log/";
    tempDir.clear();
}
