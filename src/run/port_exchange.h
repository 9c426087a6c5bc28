// The exchange with the current port as the runner and the direct input start it: the port's
// own way of reading (fixed waits, or at once), the error commands of the settings window, the
// protocol as the place of its lines, and the wait for the device on a window's timer.
#pragma once

#include <functional>
#include <string>

#include "run/device_exchange.h"
#include "serial/port_table.h"

// Tells the user that the current port is not open, over the window.
void showPortNotOpen(int window);
// Runs the step with an exchange on the current port whose lines go to the protocol.
void exchangeWithCurrentPort(const std::function<void(Exchange&)>& step);
// Sends a command or query row the way the current port's device reads its answers: at once,
// into pending, or with fixed waits.
void startCurrentExchange(PendingExchange& pending, void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                          void (*withFixedWaits)(Exchange&, const std::string&), const std::string& text);
// Arms the window's timer for the pending exchange: its tick comes when the device sends or the
// exchange's wait is over. A device that went away is waited for by the clock only, so that
// its hang-up cannot spin the loop.
void waitForDevice(int window, int timer, const PendingExchange& pending);
