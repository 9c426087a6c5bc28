// The shell's process-wide state: directories, drag state, program info text and the monitors
// of the display.
#pragma once

#include <string>
#include <vector>

#include "ui/events.h"

struct Monitor {
    int index = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string name;
};

struct ShellState {
    bool quitRequested = false;
    Event lastEvent;
    std::string programDir;  // with trailing "/"; the current directory during the run
    int highestPortSlot = 15;
    bool aboutAtStart = true;
    int commandDragRow = -1;
    int programDragRow = -1;
    int programDragCount = 0;
    int helpViewer = 0;      // process id of the PDF viewer started by Help, 0 for none
    std::vector<Monitor> monitors;
};

extern ShellState shell;

// Sets the state to its initial values with the program directory (with a trailing "/"), the
// four working directories
// and the port discovery's scratch file "tty.txt" in the home directory (which Quirlo never
// creates).
void initShellState(const std::string& programDir);
