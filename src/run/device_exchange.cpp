// The bytes of the runner's exchange with a device.
#include "run/device_exchange.h"

#include <glib.h>

#include <algorithm>
#include <cctype>

#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_state.h"
#include "serial/device_io.h"

namespace {

// The most bytes of an overlong answer that one response drops while it looks for the
// terminator: a device that floods the line cannot hold the runner in a read. What is left
// then is dropped before the next line is sent.
constexpr size_t dropLimit = 4096;
// The most bytes one read of a device that is read at once takes before the loop goes on.
constexpr size_t bytesPerRead = 16384;
// The most bytes of a late answer dropped before the next line goes out anyway.
constexpr size_t lateDropLimit = 16 << 20;

} // namespace

std::string lineToSend(const std::string& text, const std::string& outTerminator)
{
    std::string bytes = utf8ToLatin1(text);
    if (!bytes.ends_with(outTerminator))
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

ResponseBytes::ResponseBytes(const DeviceSettings& settings, size_t dropLimit, bool blocks)
    : terminator(settings.inTerminator),
      keep(static_cast<size_t>(std::max<int64_t>(settings.inMaxSigns, 0)) + 1),
      dropLimit(dropLimit),
      block(blocks ? Block::Header : Block::None)
{
}

// The header "#<n><length>" of a block, byte by byte; false once the answer is no block.
bool ResponseBytes::headerByte(char byte)
{
    size_t at = answer.size();
    bool fits = at == 0 ? byte == '#' : at == 1 ? byte >= '1' && byte <= '9' : std::isdigit(static_cast<unsigned char>(byte));
    if (!fits)
        return false;
    answer += byte;
    if (at < 2 || at < static_cast<size_t>(answer[1] - '0') + 1)
        return true;
    uint64_t length = 0;
    for (size_t k = 2; k < answer.size() && length <= blockLimit; ++k)
        length = length * 10 + static_cast<uint64_t>(answer[k] - '0');
    if (length > blockLimit) {
        answer.pop_back();
        return false;
    }
    blockStart = answer.size();
    blockLength = blockLeft = static_cast<size_t>(length);
    block = blockLeft > 0 ? Block::Bytes : Block::Read;
    return true;
}

bool ResponseBytes::add(char byte)
{
    ++taken;
    if (block == Block::Bytes) {
        answer += byte;
        if (--blockLeft == 0)
            block = Block::Read;
        return false;
    }
    if (block == Block::Header) {
        if (headerByte(byte))
            return false;
        block = Block::None;
        // The header's bytes were text after all: as any text, no more than inMaxSigns + 1.
        if (answer.size() > keep) {
            dropped += answer.size() - keep;
            answer.resize(keep);
            cut = true;
        }
    }
    if (byte == (terminator.empty() ? '\0' : terminator.back())) {
        ended = whole = true;
    } else if (answer.size() < keep || block == Block::Read) {
        answer += byte;
    } else {
        cut = true;
        // A device that floods the line cannot hold the exchange in a read.
        ended = ++dropped == dropLimit;
    }
    return ended;
}

bool ResponseBytes::take(ExchangePort& port, size_t limit)
{
    char byte = 0;
    for (size_t read = 0; !ended && read < limit;) {
        // A block's bytes belong to it however many they are: they are read in large reads.
        if (block == Block::Bytes) {
            size_t want = std::min({blockLeft, limit - read, size_t{65536}});
            size_t at = answer.size();
            answer.resize(at + want);
            int64_t got = std::max<int64_t>(port.read(answer.data() + at, static_cast<int64_t>(want)), 0);
            answer.resize(at + static_cast<size_t>(got));
            if (got == 0)
                break;
            taken += static_cast<size_t>(got);
            read += static_cast<size_t>(got);
            blockLeft -= static_cast<size_t>(got);
            if (blockLeft == 0)
                block = Block::Read;
            continue;
        }
        if (port.read(&byte, 1) != 1)
            break;
        add(byte);
        ++read;
    }
    return ended;
}

Response ResponseBytes::response() const
{
    Response response;
    response.silent = taken == 0;
    response.whole = whole;
    if (block == Block::Bytes || block == Block::Read) {
        // All its bytes came: the block is whole, with or without a terminator after it.
        response.isBlock = true;
        response.block = answer.substr(blockStart, blockLength);
        response.text = "<Binärblock: " + std::to_string(blockLength) + " Bytes>";
        response.whole = block == Block::Read;
        response.cut = block == Block::Bytes;
        return response;
    }
    std::string text = answer;
    // A header that stopped short is text, no more of it than any other.
    bool over = cut || text.size() > keep;
    if (text.size() > keep)
        text.resize(keep);
    // The terminator's characters before its last one stand at the end of a whole answer.
    std::string leading = terminator.empty() ? "" : terminator.substr(0, terminator.size() - 1);
    if (!over && !leading.empty() && text.ends_with(leading))
        text.erase(text.size() - leading.size());
    response.text = latin1ToUtf8(text);
    response.overlong = over;
    response.cut = over || (!whole && taken > 0 && !terminator.empty());
    return response;
}

std::vector<std::string> subStrings(const std::string& text, const DeviceSettings& settings)
{
    if (!settings.inSubStrings)
        return {text};
    return splitText(text, latin1ToUtf8(settings.inSubTerminator));
}

StreamLines::StreamLines(const DeviceSettings& settings) : settings(settings), line(settings, 0, false) {}

std::vector<StreamLine> StreamLines::feed(std::string_view bytes, int64_t stamp)
{
    std::vector<StreamLine> lines;
    for (char byte : bytes) {
        if (line.count() == 0)
            started = stamp;
        if (line.add(byte)) {
            Response response = line.response();
            lines.push_back({response.text, response.overlong, started});
            line = ResponseBytes(settings, 0, false);
        }
    }
    return lines;
}

std::optional<StreamLine> StreamLines::flush()
{
    if (line.count() == 0)
        return std::nullopt;
    Response response = line.response();
    line = ResponseBytes(settings, 0, false);
    return StreamLine{response.text, response.overlong, started};
}

Response readResponse(ExchangePort& port, const DeviceSettings& settings, bool morePasses)
{
    ResponseBytes bytes(settings, dropLimit);
    int retries = 0;
    // Each further pass counts, but one that read more of a block: a block of megabytes is read
    // as long as it keeps coming. A device that went away sends nothing more: its answer is
    // what came.
    int empty = 0;
    for (size_t before = 0; !bytes.take(port) && morePasses && !port.lost(); before = bytes.count()) {
        empty = bytes.readingBlock() && bytes.count() > before ? 0 : empty + 1;
        if (empty > settings.inRetry)
            break;
        ++retries;
        port.wait(settings.delayShort);
    }
    Response response = bytes.response();
    response.retries = retries;
    return response;
}

ResponseWait::ResponseWait(const DeviceSettings& settings, int64_t firstWaitMs, int64_t nowMs, size_t dropLimit)
    : bytes(settings, dropLimit),
      firstWaitMs(std::max<int64_t>(firstWaitMs, 0)),
      betweenMs(std::max<int64_t>(settings.inRetry, 0) * std::max<int64_t>(settings.delayShort, 0)),
      until(nowMs + this->firstWaitMs + betweenMs)
{
}

bool ResponseWait::readFrom(ExchangePort& port, int64_t nowMs)
{
    size_t before = bytes.count();
    if (bytes.take(port, bytesPerRead))
        return true;
    size_t read = bytes.count() - before;
    if (read > 0) {
        if (before == 0)
            firstByteMs = nowMs;
        until = std::max(firstByteMs + firstWaitMs, nowMs + betweenMs);
    }
    // A read that took all it may leaves bytes waiting: the answer goes on. A device that went
    // away sends nothing more.
    return read < bytesPerRead && (nowMs >= until || port.lost());
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

// Whether the device may still send (the rest of) the answer: a query that got nothing, or an
// answer that stopped before its terminator.
bool stillOwed(const Response& response, bool asked)
{
    return response.silent ? asked : response.cut && !response.whole;
}

// The lines whose echo a device that echoes may still send.
constexpr size_t echoesKept = 4;

// Writes the line; a device that echoes will send it back.
bool sendKept(Exchange& exchange, const std::string& bytes)
{
    PortEntry& entry = exchange.entry;
    if (entry.settings.skipEcho) {
        entry.sentLines.push_back(sentForProtocol(bytes, entry.settings.outTerminator));
        if (entry.sentLines.size() > echoesKept)
            entry.sentLines.erase(entry.sentLines.begin());
    }
    return sendBytes(exchange.port, bytes);
}

// Whether the response is the echo of a line sent, which then is no longer awaited.
bool takeEcho(Exchange& exchange, const Response& response)
{
    std::vector<std::string>& sent = exchange.entry.sentLines;
    if (!exchange.entry.settings.skipEcho || !response.whole)
        return false;
    auto echo = std::find(sent.begin(), sent.end(), response.text);
    if (echo == sent.end())
        return false;
    sent.erase(echo);
    return true;
}

// Reads a response with fixed waits; an echo is passed over.
Response readUnechoed(Exchange& exchange, bool morePasses)
{
    Response response = readResponse(exchange.port, exchange.entry.settings, morePasses);
    while (takeEcho(exchange, response))
        response = readResponse(exchange.port, exchange.entry.settings, morePasses);
    return response;
}

void sendLine(Exchange& exchange, const std::string& text)
{
    sendKept(exchange, lineToSend(text, exchange.entry.settings.outTerminator));
}

// An answer of the error query, read with fixed waits.
std::string readErrorAnswer(Exchange& exchange, bool morePasses)
{
    Response response = readUnechoed(exchange, morePasses);
    exchange.entry.answerOwed = stillOwed(response, true);
    return response.text;
}

std::string readErrorQueue(Exchange& exchange)
{
    sendLine(exchange, exchange.errorCommands.queue);
    exchange.port.wait(exchange.entry.settings.delayErr);
    return readErrorAnswer(exchange, true);
}

// The error bits of the standard event status register, in the order their queues are read.
enum EsrBit { QueryError = 4, DeviceError = 8, ExecutionError = 16, CommandError = 32 };
constexpr EsrBit errorBits[] = {ExecutionError, CommandError, DeviceError, QueryError};

// The error bits of the status answer; the entry forgets the errors of the last query.
int64_t startErrorStatus(Exchange& exchange, const std::string& status)
{
    exchange.entry.errFlags = 0;
    exchange.entry.errText.clear();
    return intValue(status) & (QueryError | DeviceError | ExecutionError | CommandError);
}

// Writes the error query's protocol line and clears the device's error queue.
void endErrorQuery(Exchange& exchange, int64_t bits)
{
    PortEntry& entry = exchange.entry;
    std::string line = errorQueryLine(bits, entry.errText, exchange.port.lineErrors());
    if (exchange.protocolMode == ModeDebug)
        exchange.protocol(line, -1, "");
    else if (exchange.protocolMode == ModeList)
        exchange.protocol("", 0, line);
    sendLine(exchange, exchange.errorCommands.clear);
}

void readErrorStatus(Exchange& exchange)
{
    PortEntry& entry = exchange.entry;
    int64_t bits = startErrorStatus(exchange, readErrorAnswer(exchange, false));
    if (bits == 0)
        return;
    for (int bit : errorBits) {
        if (bits & bit) {
            entry.errFlags += bit;
            entry.errText += visibleText(readErrorQueue(exchange));
        }
    }
    endErrorQuery(exchange, bits);
}

// Writes the line; the protocol text carries " - Return-Err" when nothing was written.
std::string sendForProtocol(Exchange& exchange, const std::string& text)
{
    const std::string& terminator = exchange.entry.settings.outTerminator;
    std::string bytes = lineToSend(text, terminator);
    std::string shown = sentForProtocol(bytes, terminator);
    exchange.entry.unsent = !sendKept(exchange, bytes);
    if (exchange.entry.unsent)
        shown += " - Return-Err";
    return shown;
}

// Sends the command row; true when the error query follows.
bool sendCommand(Exchange& exchange, const std::string& text)
{
    std::string shown = sendForProtocol(exchange, text);
    if (modeIn(exchange, {ModeDebug, ModeList}))
        exchange.protocol("Comnd:\n" + shown, TypeCommand, "");
    if (!exchange.entry.settings.errQuery)
        return false;
    // Where the port reads the status byte by its own means, the device is asked only when the
    // byte tells of an event (ESB) or of errors in the queue (EAV).
    constexpr int eventSummary = 0x20, errorAvailable = 0x04;
    int status = exchange.port.statusByte();
    if (status >= 0 && (status & (eventSummary | errorAvailable)) == 0)
        return false;
    // A late answer to an earlier query must not be read as the status.
    exchange.port.discardInput();
    sendLine(exchange, exchange.errorCommands.status);
    return true;
}

// Writes the answer's protocol lines; a cut answer's last line is marked. Notes on the port
// whether the device still owes the answer or its rest.
ExchangeState writeAnswer(Exchange& exchange, const Response& response, bool asked)
{
    std::string retries = response.retries >= 1 ? std::to_string(response.retries) + "x " : "";
    // A query that got not one byte says so; a table cell stays empty instead of reading 0,
    // unless the device went away: the cell is kept for the query's answer after its return.
    exchange.entry.answerOwed = stillOwed(response, asked);
    if (response.silent && asked) {
        if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
            exchange.protocol("Return:\n", KindResponse, retries + std::string(noAnswerMark));
        else if (exchange.protocolMode == ModeTable && !exchange.port.lost())
            exchange.protocol("", KindResponse, std::string(noAnswerMark));
        return ExchangeState::Unanswered;
    }
    const DeviceSettings& s = exchange.entry.settings;
    if (response.isBlock && response.whole)
        exchange.entry.lastBlock = response.block;
    // A block's bytes are no text: it is one field that says what came.
    std::vector<std::string> fields = response.isBlock ? std::vector<std::string>{response.text}
                                                       : subStrings(response.text, s);
    if (!s.inSubStrings && !fields[0].empty() && fields[0][0] == '\x7F' && exchange.protocolMode != ModeTable)
        fields[0].erase(0, 1);
    for (size_t index = 0; index < fields.size(); ++index) {
        bool last = index + 1 == fields.size();
        std::string mark = last && response.cut ? std::string(cutMark) : "";
        // A device's control characters are written visibly, never replayed by a terminal.
        std::string field = visibleText(fields[index]);
        if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
            exchange.protocol("Return:\n" + field, KindResponse, (s.inSubStrings ? "" : retries) + mark);
        else if (exchange.protocolMode == ModeTable)
            exchange.protocol(field, KindResponse, mark);
    }
    return response.cut ? ExchangeState::Cut : ExchangeState::Done;
}

// Waits for an answer the port still owes and drops it: the wait of an answer, at once or with
// fixed waits.
ResponseWait lateAnswerWait(Exchange& exchange)
{
    return ResponseWait(exchange.entry.settings, exchange.entry.settings.delayLong, exchange.port.nowMs(),
                        lateDropLimit);
}

// Says in the protocol what was dropped; the port owes no more unless its rest is still coming.
void dropLateAnswer(Exchange& exchange, const Response& late)
{
    exchange.entry.answerOwed = stillOwed(late, false);
    if (late.silent)
        return;
    if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
        exchange.protocol("Verworfen:\n" + visibleText(late.text), -1, late.cut ? "späte Antwort, abgeschnitten" : "späte Antwort");
}

void awaitLateAnswer(Exchange& exchange)
{
    if (!exchange.entry.answerOwed)
        return;
    ResponseWait late = lateAnswerWait(exchange);
    const int64_t step = std::max<int64_t>(exchange.entry.settings.delayShort, 1);
    while (!late.readFrom(exchange.port, exchange.port.nowMs()))
        exchange.port.wait(std::clamp<int64_t>(late.deadline() - exchange.port.nowMs(), 1, step));
    dropLateAnswer(exchange, late.response());
}

// Waits, reading at once, for an answer that should come within firstWaitMs.
void awaitAnswer(Exchange& exchange, PendingExchange& pending, int64_t firstWaitMs)
{
    pending.wait.emplace(exchange.entry.settings, firstWaitMs, exchange.port.nowMs(), dropLimit);
}

// Sends the queue query of the next error bit and waits for its answer; false when no bit is
// left.
bool askNextQueue(Exchange& exchange, PendingExchange& pending)
{
    for (; pending.nextBit < std::size(errorBits); ++pending.nextBit) {
        int bit = errorBits[pending.nextBit];
        if (pending.bits & bit) {
            ++pending.nextBit;
            exchange.entry.errFlags += bit;
            sendLine(exchange, exchange.errorCommands.queue);
            pending.step = PendingExchange::Step::Queue;
            awaitAnswer(exchange, pending, exchange.entry.settings.delayErr);
            return true;
        }
    }
    return false;
}

void sendQuery(Exchange& exchange, const std::string& text)
{
    if (text.empty())
        return;
    if (exchange.entry.settings.errQuery) {
        sendLine(exchange, "SYST:CLE");
        // Reading at once, the device's order of work keeps the clearing before the query.
        if (!exchange.entry.settings.readAtOnce)
            exchange.port.wait(exchange.entry.settings.delayLong);
    }
    // What waits now came before the query was sent, so it cannot be its answer: a late
    // answer to an earlier query or unsolicited data.
    exchange.port.discardInput();
    std::string shown = sendForProtocol(exchange, text);
    if (modeIn(exchange, {ModeDebug, ModeList}))
        exchange.protocol("Query:\n" + shown, TypeQuery, "");
}

} // namespace

void exchangeCommand(Exchange& exchange, const std::string& text)
{
    awaitLateAnswer(exchange);
    if (sendCommand(exchange, text)) {
        exchange.port.wait(exchange.entry.settings.delayErr);
        readErrorStatus(exchange);
    }
}

void exchangeQuery(Exchange& exchange, const std::string& text)
{
    if (text.empty())
        return;
    awaitLateAnswer(exchange);
    sendQuery(exchange, text);
}

ExchangeState exchangeAnswer(Exchange& exchange, bool asked)
{
    return writeAnswer(exchange, readUnechoed(exchange, true), asked);
}

void writeLostAnswer(Exchange& exchange)
{
    if (modeIn(exchange, {ModeDebug, ModeList, ModeExcel}))
        exchange.protocol("Return:\n", KindResponse, std::string(noAnswerMark));
}

namespace {

void sendPendingCommand(Exchange& exchange, PendingExchange& pending, const std::string& text)
{
    pending.step = PendingExchange::Step::None;
    if (sendCommand(exchange, text)) {
        pending.step = PendingExchange::Step::Status;
        awaitAnswer(exchange, pending, exchange.entry.settings.delayErr);
    }
}

void sendPendingQuery(Exchange& exchange, PendingExchange& pending, const std::string& text)
{
    sendQuery(exchange, text);
    pending.step = PendingExchange::Step::Answer;
    pending.asked = !text.empty();
    awaitAnswer(exchange, pending, exchange.entry.settings.delayLong);
}

// Starts the line, or first the wait for the late answer the port owes.
void beginLine(Exchange& exchange, PendingExchange& pending, const std::string& text, bool query)
{
    pending = PendingExchange{};
    if (exchange.entry.answerOwed && !(query && text.empty())) {
        pending.step = PendingExchange::Step::Late;
        pending.query = query;
        pending.line = text;
        pending.wait.emplace(lateAnswerWait(exchange));
    } else if (query) {
        sendPendingQuery(exchange, pending, text);
    } else {
        sendPendingCommand(exchange, pending, text);
    }
}

} // namespace

void beginCommand(Exchange& exchange, PendingExchange& pending, const std::string& text)
{
    beginLine(exchange, pending, text, false);
}

void beginQuery(Exchange& exchange, PendingExchange& pending, const std::string& text)
{
    beginLine(exchange, pending, text, true);
}

ExchangeState continueExchange(Exchange& exchange, PendingExchange& pending)
{
    using Step = PendingExchange::Step;
    while (pending.step != Step::None) {
        if (!pending.wait->readFrom(exchange.port, exchange.port.nowMs()))
            return ExchangeState::Waiting;
        Response response = pending.wait->response();
        // The echo of a line sent is no answer: the wait for the answer begins again.
        if (pending.step != Step::Late && takeEcho(exchange, response)) {
            const DeviceSettings& s = exchange.entry.settings;
            awaitAnswer(exchange, pending, pending.step == Step::Answer ? s.delayLong : s.delayErr);
            continue;
        }
        // An error query's answer that did not come whole may still come, as a query's may.
        if (pending.step == Step::Status || pending.step == Step::Queue) {
            exchange.entry.answerOwed = stillOwed(response, true);
            pending.cut = pending.cut || response.cut;
        }
        switch (pending.step) {
        case Step::Late:
            dropLateAnswer(exchange, response);
            if (pending.query)
                sendPendingQuery(exchange, pending, pending.line);
            else
                sendPendingCommand(exchange, pending, pending.line);
            continue;
        case Step::Answer: pending.step = Step::None; return writeAnswer(exchange, response, pending.asked);
        case Step::Status: pending.bits = startErrorStatus(exchange, response.text); break;
        case Step::Queue: exchange.entry.errText += visibleText(response.text); break;
        case Step::None: break;
        }
        if (!askNextQueue(exchange, pending)) {
            if (pending.bits != 0)
                endErrorQuery(exchange, pending.bits);
            pending.step = Step::None;
        }
    }
    return pending.cut ? ExchangeState::Cut : ExchangeState::Done;
}

void startExchange(Exchange& exchange, PendingExchange& pending,
                   void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                   void (*withFixedWaits)(Exchange&, const std::string&), const std::string& text)
{
    pending = PendingExchange{};
    exchange.entry.unsent = false;
    if (exchange.entry.settings.readAtOnce)
        atOnce(exchange, pending, text);
    else
        withFixedWaits(exchange, text);
}

int64_t DeviceExchangePort::write(std::string_view bytes)
{
    return deviceWrite(handle, bytes);
}

int64_t DeviceExchangePort::read(char* buffer, int64_t maxCount)
{
    return deviceRead(handle, buffer, maxCount);
}

void DeviceExchangePort::discardInput()
{
    deviceDiscardInput(handle);
}

int64_t DeviceExchangePort::lineErrors()
{
    return deviceLineErrors(handle);
}

void DeviceExchangePort::wait(int64_t milliseconds)
{
    waitMs(milliseconds);
}

int64_t DeviceExchangePort::nowMs()
{
    return g_get_monotonic_time() / 1000;
}

int DeviceExchangePort::statusByte()
{
    return deviceStatusByte(handle);
}

// Lost also once the port was closed for it, before the run met that.
bool DeviceExchangePort::lost()
{
    return deviceLost(handle) || (handle >= 0 && handle < static_cast<PortIndex>(PortTable.size()) &&
                                  !PortTable[handle].lostWhy.empty());
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
