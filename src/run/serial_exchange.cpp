// The bytes of the runner's exchange with a device.
#include "run/serial_exchange.h"

#include <glib.h>

#include <algorithm>

#include "common/text.h"
#include "lists/line_types.h"
#include "protocol/protocol_state.h"
#include "serial/serial_port.h"

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The most bytes of an overlong answer that one response drops while it looks for the
// terminator: a device that floods the line cannot hold the runner in a read. What is left
// then is dropped before the next query is sent.
constexpr size_t dropLimit = 4096;

// One pass: reads byte by byte while bytes wait. True when the response is complete: the
// terminator's last character came (it is left out), or the dropped bytes of an overlong
// answer (beyond keep characters, cut) reached dropLimit.
bool readPass(ExchangePort& port, char last, std::string& answer, size_t keep, bool& cut, size_t& dropped)
{
    char byte = 0;
    while (port.available() > 0 && port.read(&byte, 1) == 1) {
        if (byte == last)
            return true;
        if (answer.size() < keep) {
            answer += byte;
        } else {
            cut = true;
            if (++dropped >= dropLimit)
                return true;
        }
    }
    return false;
}

} // namespace

std::string lineToSend(const std::string& text, const std::string& outTerminator)
{
    std::string bytes = utf8ToLatin1(text);
    if (!endsWith(bytes, outTerminator))
        bytes += outTerminator;
    return bytes;
}

std::string sentForProtocol(const std::string& bytes, const std::string& outTerminator)
{
    std::string shown = bytes;
    if (!outTerminator.empty()) {
        for (size_t pos; (pos = shown.find(outTerminator)) != std::string::npos;)
            shown.erase(pos, outTerminator.size());
    }
    return latin1ToUtf8(shown);
}

bool sendBytes(ExchangePort& port, const std::string& bytes)
{
    return !bytes.empty() && port.write(bytes) == static_cast<int64_t>(bytes.size());
}

Response readResponse(ExchangePort& port, const DeviceSettings& settings, bool morePasses)
{
    const std::string& terminator = settings.inTerminator;
    const char last = terminator.empty() ? '\0' : terminator.back();
    // An answer is cut after inMaxSigns + 1 characters.
    const size_t keep = static_cast<size_t>(std::max<int64_t>(settings.inMaxSigns, 0)) + 1;
    Response response;
    std::string answer;
    bool cut = false;
    size_t dropped = 0;
    bool ended = false;
    for (;;) {
        ended = readPass(port, last, answer, keep, cut, dropped);
        if (ended || !morePasses || response.retries >= settings.inRetry)
            break;
        ++response.retries;
        port.wait(settings.delayShort);
    }
    response.silent = !ended && answer.empty() && !cut;
    // The terminator's characters before its last one stand at the end of a whole answer.
    std::string leading = terminator.empty() ? "" : terminator.substr(0, terminator.size() - 1);
    if (!cut && !leading.empty() && endsWith(answer, leading))
        answer.erase(answer.size() - leading.size());
    response.text = latin1ToUtf8(answer);
    return response;
}

std::string errorQueryLine(int64_t bits, const std::string& queueAnswers, int64_t lineErrors)
{
    std::string binary;
    for (uint64_t rest = static_cast<uint64_t>(bits); rest; rest >>= 1)
        binary.insert(binary.begin(), rest & 1 ? '1' : '0');
    return "Err-#: '%" + binary + "' = " + queueAnswers + "+ Hardw.-Err.: " + std::to_string(lineErrors);
}

namespace {

bool modeIn(const Exchange& exchange, std::initializer_list<int> modes)
{
    return std::find(modes.begin(), modes.end(), exchange.protocolMode) != modes.end();
}

void sendLine(Exchange& exchange, const std::string& text)
{
    sendBytes(exchange.port, lineToSend(text, exchange.entry.settings.outTerminator));
}

std::string readErrorQueue(Exchange& exchange)
{
    sendLine(exchange, exchange.errorCommands.queue);
    exchange.port.wait(exchange.entry.settings.delayErr);
    return readResponse(exchange.port, exchange.entry.settings, true).text;
}

void readErrorStatus(Exchange& exchange)
{
    PortEntry& entry = exchange.entry;
    // The error bits of the standard event status register, in the order their queues are read.
    enum EsrBit { QueryError = 4, DeviceError = 8, ExecutionError = 16, CommandError = 32 };
    const EsrBit errorBits[] = {ExecutionError, CommandError, DeviceError, QueryError};
    int64_t bits = intValue(readResponse(exchange.port, entry.settings, false).text) &
                   (QueryError | DeviceError | ExecutionError | CommandError);
    entry.errFlags = 0;
    entry.errText.clear();
    if (bits == 0)
        return;
    for (int bit : errorBits) {
        if (bits & bit) {
            entry.errFlags += bit;
            entry.errText += readErrorQueue(exchange);
        }
    }
    std::string line = errorQueryLine(bits, entry.errText, exchange.port.lineErrors());
    if (exchange.protocolMode == ModeDebug)
        exchange.protocol(line, -1, "");
    else if (exchange.protocolMode == ModeList)
        exchange.protocol("", 0, line);
    sendLine(exchange, exchange.errorCommands.clear);
}

// Writes the line; the protocol text carries " - Return-Err" when nothing was written.
std::string sendForProtocol(Exchange& exchange, const std::string& text)
{
    const std::string& terminator = exchange.entry.settings.outTerminator;
    std::string bytes = lineToSend(text, terminator);
    std::string shown = sentForProtocol(bytes, terminator);
    if (!sendBytes(exchange.port, bytes))
        shown += " - Return-Err";
    return shown;
}

} // namespace

void exchangeCommand(Exchange& exchange, const std::string& text)
{
    std::string shown = sendForProtocol(exchange, text);
    if (modeIn(exchange, {ModeDebug, ModeList}))
        exchange.protocol("Comnd:\n" + shown, TypeCommand, "");
    if (exchange.entry.settings.errQuery) {
        // A late answer to an earlier query must not be read as the status.
        exchange.port.discardInput();
        sendLine(exchange, exchange.errorCommands.status);
        exchange.port.wait(exchange.entry.settings.delayErr);
        readErrorStatus(exchange);
    }
}

void exchangeQuery(Exchange& exchange, const std::string& text)
{
    if (text.empty())
        return;
    if (exchange.entry.settings.errQuery) {
        sendLine(exchange, "SYST:CLE");
        exchange.port.wait(exchange.entry.settings.delayLong);
    }
    // What waits now came before the query was sent, so it cannot be its answer: a late
    // answer to an earlier query or unsolicited data.
    exchange.port.discardInput();
    std::string shown = sendForProtocol(exchange, text);
    if (modeIn(exchange, {ModeDebug, ModeList}))
        exchange.protocol("Query:\n" + shown, TypeQuery, "");
}

bool exchangeAnswer(Exchange& exchange, bool asked)
{
    const DeviceSettings& s = exchange.entry.settings;
    Response response = readResponse(exchange.port, s, true);
    std::string retries = response.retries >= 1 ? std::to_string(response.retries) + "x " : "";
    // A query that got not one byte says so; a table cell stays empty instead of reading 0.
    if (asked && response.silent) {
        if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
            exchange.protocol("Return:\n", KindResponse, retries + std::string(noAnswerMark));
        else if (exchange.protocolMode == ModeTable)
            exchange.protocol("", KindResponse, std::string(noAnswerMark));
        return true;
    }
    if (s.inSubStrings) {
        for (const std::string& field : splitText(response.text, latin1ToUtf8(s.inSubTerminator))) {
            if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
                exchange.protocol("Return:\n" + field, KindResponse, "");
            else if (exchange.protocolMode == ModeTable)
                exchange.protocol(field, KindResponse, "");
        }
    } else if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel})) {
        std::string text = response.text;
        if (!text.empty() && text[0] == '\x7F')
            text.erase(0, 1);
        exchange.protocol("Return:\n" + text, KindResponse, retries);
    } else if (exchange.protocolMode == ModeTable) {
        exchange.protocol(response.text, KindResponse, "");
    }
    return false;
}

int64_t SerialExchangePort::write(std::string_view bytes)
{
    return serialWrite(handle, bytes);
}

int64_t SerialExchangePort::available()
{
    return serialAvailable(handle);
}

int64_t SerialExchangePort::read(char* buffer, int64_t maxCount)
{
    return serialRead(handle, buffer, maxCount);
}

void SerialExchangePort::discardInput()
{
    serialDiscardInput(handle);
}

int64_t SerialExchangePort::lineErrors()
{
    return serialLineErrors(handle);
}

void SerialExchangePort::wait(int64_t milliseconds)
{
    waitMs(milliseconds);
}

namespace {

int64_t waited = 0;

} // namespace

void waitMs(int64_t milliseconds)
{
    if (milliseconds <= 0)
        return;
    int64_t micros = std::min<int64_t>(milliseconds, 600000) * 1000;
    g_usleep(static_cast<gulong>(micros));
    waited += micros;
}

int64_t waitedMicroseconds()
{
    return waited;
}
