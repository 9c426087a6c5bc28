// Window timers: GLib time-outs keyed by (window, timer id) whose ticks arrive as timer
// events in the main loop.
#pragma once

// Starts the timer or, when it runs already, replaces its interval; a tick of it that waits in
// the queue is dropped, so that the new interval counts from now.
void addTimer(int window, int timerId, int intervalMs);
// Stops the timer and drops a tick of it that waits in the queue.
void removeTimer(int window, int timerId);
bool timerActive(int window, int timerId);
// The interval of an active timer in milliseconds, -1 when the timer is not active.
int timerInterval(int window, int timerId);
void removeAllTimers();
