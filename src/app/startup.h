// Start-up, start-up completion and exit of Quirlo.
#pragma once

#include <string>

// Runs the start-up sequence up to the point where the main loop takes over, with the program
// directory (with a trailing "/") whose Quirlo.ini and working directories it uses.
void startUp(int* argc, char*** argv, const std::string& programDir);
// The start-up completion at the first tick of timer 99; it waits for the connects of the
// ports named on the command line, and startUpConnectEnded completes it once they ended.
void completeStartUp();
void startUpConnectEnded();
// Saves the settings, closes the ports, removes the timers, ends a help viewer, releases the GUI.
void exitSequence();
// Start-up, main loop and exit; returns the process status 0.
int quirloMain(int argc, char** argv);
