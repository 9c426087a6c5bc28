// The direct-input window (window 10): a line typed and sent at once to the current port, its
// answer read as the port's settings say, both in the protocol as a program's query would put
// them; and a monitor that shows every line the port sends while no program runs.
#pragma once

#include "run/direct_input.h"

// The window's options; Quirlo.ini reads them before the window exists.
DirectInputOptions& directInputOptions();
// Takes the options from the window as it is now (before they are saved); its place is the
// settings file's to take.
void storeDirectInputOptions();
void createDirectInputWindow();
void relayoutDirectInputWindow();
// Shows the window, creating it when needed, with the cursor in the send line.
void openDirectInput();
// Hides the window; the monitor stops with it.
void closeDirectInput();
// Return in the send line: sends it to the current port (a line typed while an answer is
// awaited follows that answer); without an open port the user is told.
void sendDirectLine();
// Up (true) or Down in the send line: the lines sent before.
void walkSendHistory(bool up);
// "Mitlesen" was switched.
void monitorSwitched();
// "Block sichern...": the current port's last definite-length block into a file the user chooses.
void saveLastBlock();
// The answer timer's tick: reads the answer of the line sent.
void directAnswerTick();
// The monitor's tick: the port sent, or a line without terminator has waited long enough.
void monitorTick();
// A program run takes the port (before it drops what waits) and gives it back at its end.
void directInputRunStarted();
void directInputRunEnded();
// Ports opened, closed or another became current: the monitor follows the current port.
void directInputPortChanged();
