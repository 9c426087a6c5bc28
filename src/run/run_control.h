// Run, pause, resume and stop of a program run, and the runner's step on each tick.
#pragma once

// Starts a run: run timer 200 ms, focus on the program list, interface locked, row 0. With a
// row, only that entry runs, with its port rows; without one, the whole program.
void startRun(int singleEntryRow = -1);
// The Pause button changed: pauses a running run or resumes a paused one.
void pauseToggled();
// Stops a running run; the next tick ends it.
void stopRun();
// Locks (true) or unlocks (false) the program window and the authorisation button for a run.
void lockRunInterface(bool lock);
// The whole-program check of the program window's check button.
void checkProgram();
