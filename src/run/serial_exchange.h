// The bytes of the runner's exchange with a device: sending a line with its terminator and
// reading a response in passes. Free of any window; the waits block the caller.
#pragma once

#include <string>

#include "serial/port_table.h"

// The line as it goes to the device: Latin-1 bytes with the out-terminator, unless they end
// with it already.
std::string lineToSend(const std::string& text, const std::string& outTerminator);
// The sent bytes as the protocol shows them: every terminator occurrence removed, as text.
std::string sentForProtocol(const std::string& bytes, const std::string& outTerminator);
// Writes the line to the port; false when nothing was written.
bool sendBytes(PortIndex port, const std::string& bytes);

struct Response {
    std::string text; // the response as text (the device's bytes read as Latin-1)
    int retries = 0;  // further passes that were needed
};

// Reads one response byte by byte up to the last character of the in-terminator. A pass ends
// when no byte waits; with morePasses, up to inRetry further passes follow, delayShort apart.
// The terminator's other characters are removed once, where they end the whole answer. An
// answer longer than inMaxSigns is cut after inMaxSigns + 1 characters, and its rest, up to
// and including its terminator, is read and dropped within the same passes, so that the next
// answer starts clean.
Response readResponse(PortIndex port, const DeviceSettings& settings, bool morePasses);

// The protocol line of an error query: "Err-#: '%" + bits in binary + "' = " + the queue
// answers + "+ Hardw.-Err.: " + the line-error count.
std::string errorQueryLine(int64_t bits, const std::string& queueAnswers, int64_t lineErrors);

// Waits the milliseconds (nothing for 0 or less).
void waitMs(int64_t milliseconds);
// All the microseconds waitMs has waited so far.
int64_t waitedMicroseconds();
