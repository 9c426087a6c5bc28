// A port to an instrument that takes whole messages and answers a query with a message (USBTMC,
// VXI-11), whose calls block: a worker thread of the port's own makes them, and the answers
// reach the main loop through a socket pair, which is the port's descriptor. The worker follows
// the worker rule: no GTK, only the port's queue shared, never waited for. At the end of an
// answer the port's in-terminator follows where the instrument did not send it.
#pragma once

#include <memory>
#include <string>

#include "serial/port_table.h"
#include "serial/transport.h"

// The instrument's own calls, made on the worker thread only (but statusByte, see there).
class MessageDevice {
public:
    virtual ~MessageDevice() = default;
    // Opens the connection; the reason where it failed.
    virtual OpenFailureReason open() = 0;
    // Sends one message: 0, or the errno of the failure.
    virtual int send(const std::string& message) = 0;
    // The next bytes of the answer, appended to bytes, at most limit: 0, or the errno of the
    // failure (ETIMEDOUT: the answer did not come in time). end: the message has ended.
    virtual int receive(std::string& bytes, size_t limit, bool& end) = 0;
    // After a time-out: the next query starts clean. False when the instrument is gone.
    virtual bool recover() = 0;
    // The device clear of the class, where it has one.
    virtual bool clears() const { return false; }
    virtual void clear() {}
    // The IEEE 488.2 status byte by the class's own means, -1 where it has none. Called from
    // the main thread, while the worker is idle.
    virtual int statusByte() { return -1; }
    // Ends the connection (the instrument back to local first, where the class can).
    virtual void close() = 0;
    // What the serial settings mean here, for the protocol's open line.
    virtual std::string openNote() const = 0;
};

// The errors of an instrument that is no longer there.
bool meansGone(int error);

// The instrument's time-out for the settings: the first wait for an answer and its further
// passes, 0.1 to 600 s.
int messageTimeoutMs(const DeviceSettings& settings);

// Opens the instrument at once (a local device file), or with connectOnWorker connects on the
// worker and tells done from the main context (an instrument on the network).
std::unique_ptr<Transport> openMessagePort(std::unique_ptr<MessageDevice> device, const DeviceSettings& settings,
                                           bool connectOnWorker, ConnectDone done);
