// The runner's exchange with a device: sending a command or a query with its terminator,
// reading the answer in passes, and the device's error query, with the protocol lines they
// give. Free of any window; the waits block the caller. The port is an interface, so that a
// test drives the exchange with a scripted device and a clock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/port_table.h"

// The port as the exchange sees it.
class ExchangePort {
public:
    virtual ~ExchangePort() = default;
    // The count of bytes written.
    virtual int64_t write(std::string_view bytes) = 0;
    // Received bytes waiting to be read.
    virtual int64_t available() = 0;
    virtual int64_t read(char* buffer, int64_t maxCount) = 0;
    // Drops what came and was not read.
    virtual void discardInput() = 0;
    // The line errors (framing, parity, overrun) counted so far.
    virtual int64_t lineErrors() = 0;
    virtual void wait(int64_t milliseconds) = 0;
};

// A port of the serial layer; its waits sleep (see waitMs).
class SerialExchangePort : public ExchangePort {
public:
    explicit SerialExchangePort(PortIndex handle) : handle(handle) {}
    int64_t write(std::string_view bytes) override;
    int64_t available() override;
    int64_t read(char* buffer, int64_t maxCount) override;
    void discardInput() override;
    int64_t lineErrors() override;
    void wait(int64_t milliseconds) override;

private:
    PortIndex handle;
};

// The line as it goes to the device: Latin-1 bytes with the out-terminator, unless they end
// with it already.
std::string lineToSend(const std::string& text, const std::string& outTerminator);
// The sent bytes as the protocol shows them: every terminator occurrence removed, as text.
std::string sentForProtocol(const std::string& bytes, const std::string& outTerminator);
// Writes the line to the port; false when nothing was written.
bool sendBytes(ExchangePort& port, const std::string& bytes);

struct Response {
    std::string text; // the response as text (the device's bytes read as Latin-1)
    int retries = 0;  // further passes that were needed
    bool silent = false; // not one byte came, not even a terminator
};

// Reads one response byte by byte up to the last character of the in-terminator. A pass ends
// when no byte waits; with morePasses, up to inRetry further passes follow, delayShort apart.
// The terminator's other characters are removed once, where they end the whole answer. An
// answer longer than inMaxSigns is cut after inMaxSigns + 1 characters, and its rest, up to
// and including its terminator, is read and dropped within the same passes, so that the next
// answer starts clean.
Response readResponse(ExchangePort& port, const DeviceSettings& settings, bool morePasses);

// The protocol line of an error query: "Err-#: '%" + bits in binary + "' = " + the queue
// answers + "+ Hardw.-Err.: " + the line-error count.
std::string errorQueryLine(int64_t bits, const std::string& queueAnswers, int64_t lineErrors);

// The commands of the error query: the status query, the queue query, the clearing command.
struct ErrorCommands {
    std::string status, queue, clear;
};

// Where the exchange's protocol lines go: the text, the line's kind, and the text for the
// line's last column.
using ProtocolWriter = std::function<void(const std::string& text, int kind, const std::string& extra)>;

// One exchange with the device of a port entry, written to the protocol as its mode asks.
struct Exchange {
    ExchangePort& port;
    PortEntry& entry; // its settings; the error query leaves the device's errors in it
    int protocolMode;
    ErrorCommands errorCommands;
    ProtocolWriter protocol;
};

// Sends a command row, then queries the device's errors when its settings ask for that.
void exchangeCommand(Exchange& exchange, const std::string& text);
// Sends a query row; the port keeps nothing that came before it. An empty query sends
// nothing, so that its answer is what waits.
void exchangeQuery(Exchange& exchange, const std::string& text);
// Reads the answer of the last query into the protocol. True when the query was sent (asked)
// and not one byte came back: the protocol line says "keine Antwort", a table cell stays empty.
bool exchangeAnswer(Exchange& exchange, bool asked);

// Waits the milliseconds (nothing for 0 or less).
void waitMs(int64_t milliseconds);
// All the microseconds waitMs has waited so far.
int64_t waitedMicroseconds();
