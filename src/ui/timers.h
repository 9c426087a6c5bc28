// Window timers: GLib time-outs keyed by (window, timer id) whose ticks arrive as timer
// events in the main loop.
#pragma once

// Arms the timer for one tick after the interval, replacing an earlier arming of it and dropping
// a tick of it that waits in the queue, so that the new interval counts from now. A timer never
// repeats by itself: the handler of its tick arms it again or removes it, so nothing fires while
// a handler or a modal dialog keeps the loop from taking the tick.
void addTimer(int window, int timerId, int intervalMs);
// As addTimer, but the tick comes as soon as the descriptor has bytes to read or hangs up, when
// that is before the interval ends: a wait for a device that never spins.
void addTimerOrInput(int window, int timerId, int intervalMs, int descriptor);
// As addTimerOrInput for input that may come without end (a device that streams): the tick
// yields to the toolkit's drawing, so that a flood cannot keep the windows from being drawn.
// With limitMs < 0 only the descriptor ticks, and an idle loop stays asleep.
void addInputWatch(int window, int timerId, int descriptor, int limitMs);
// Stops the timer and drops a tick of it that waits in the queue.
void removeTimer(int window, int timerId);
// True from addTimer until removeTimer: the timer is armed, or its tick has come and its owner
// has not yet armed it again.
bool timerActive(int window, int timerId);
// The interval of an active timer in milliseconds, -1 when the timer is not active.
int timerInterval(int window, int timerId);
void removeAllTimers();
