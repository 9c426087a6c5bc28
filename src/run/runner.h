// The program runner: one program row per tick of the run timer, against the current port.
#pragma once

#include "protocol/protocol_window.h"

// One step of the runner, at each tick of the run timer while not paused.
void RunTick();
// A paused run goes on: the time until its next tick.
int64_t runnerResume();
// A port's connect ended: an OpenPort row that waited for it goes on once none is under way.
void runnerConnectEnded();
// A port opened or closed: a run that waits for its lost port, or for an answer as it comes,
// looks at once.
void runnerPortChanged();
// What a protocol line needs of the ports and the run: a port is current, and during a run the
// pause of the row that wrote it (for an answer, the port's "vor Antwort" delay).
LineContext protocolLineContext(int kind);
