// The program runner: one program row per tick of the run timer, against the current port.
#pragma once

#include <string>

// One step of the runner, at each tick of the run timer while not paused.
void RunTick();
// Executes one row kind with its send string; kind 255 reads the pending response.
void ExecuteLine(int kind, const std::string& sendString);
// The program message of a MsgBox row: 6 Yes, 7 No, 0 when no dialog was shown.
int ShowProgramMessage();
