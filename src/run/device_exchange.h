// The runner's exchange with a device: sending a command or a query with its terminator,
// reading the answer in passes, and the device's error query, with the protocol lines they
// give. Free of any window. With fixed waits (the default) the waits block the caller; reading
// at once, the exchange waits without blocking: the caller reads on when bytes arrive or its
// wait is over. The port is an interface, so that a test drives the
// exchange with a scripted device and a clock of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

#include "serial/port_table.h"

// The port as the exchange sees it.
class ExchangePort {
public:
    virtual ~ExchangePort() = default;
    // The count of bytes written.
    virtual int64_t write(std::string_view bytes) = 0;
    // What the device delivered, at most maxCount bytes; 0 when nothing waits. Never blocks.
    virtual int64_t read(char* buffer, int64_t maxCount) = 0;
    // Drops what came and was not read.
    virtual void discardInput() = 0;
    // The line errors (framing, parity, overrun) counted so far.
    virtual int64_t lineErrors() = 0;
    virtual void wait(int64_t milliseconds) = 0;
    // The time in milliseconds on a clock that never goes back.
    virtual int64_t nowMs() = 0;
    // The device went away: nothing more comes from it.
    virtual bool lost() = 0;
    // The device's IEEE 488.2 status byte by the port's own means, -1 where it has none.
    virtual int statusByte() { return -1; }
};

// A port of the device layer, whatever its transport; its waits sleep (see waitMs).
class DeviceExchangePort : public ExchangePort {
public:
    explicit DeviceExchangePort(PortIndex handle) : handle(handle) {}
    int64_t write(std::string_view bytes) override;
    int64_t read(char* buffer, int64_t maxCount) override;
    void discardInput() override;
    int64_t lineErrors() override;
    void wait(int64_t milliseconds) override;
    int64_t nowMs() override;
    bool lost() override;
    int statusByte() override;

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
    bool whole = false;  // ended at its terminator
    bool overlong = false; // longer than inMaxSigns: the rest was dropped
    // Not the device's whole answer: longer than inMaxSigns, or it stopped without its
    // terminator (a port without one ends its answers by silence).
    bool cut = false;
    // An IEEE 488.2 definite-length block ("#<n><length><bytes>"): its bytes, whatever they
    // hold; the text then says "<Binärblock: N Bytes>".
    bool isBlock = false;
    std::string block;
};

// The most bytes a definite-length block may announce; a larger one is read as text.
constexpr size_t blockLimit = size_t{256} << 20;

// The bytes of one response, read byte by byte up to the last character of the in-terminator.
// The terminator's other characters are removed once, where they end the whole answer. An
// answer longer than inMaxSigns is cut after inMaxSigns + 1 characters, and its rest, up to
// and including its terminator, is read and dropped, so that the next answer starts clean; with
// a drop limit, the response gives up after dropping that many bytes. With blocks, an answer
// that starts as a definite-length block is read whole up to its stated length, terminator
// bytes and inMaxSigns notwithstanding, in reads of many bytes; then its terminator ends it.
class ResponseBytes {
public:
    explicit ResponseBytes(const DeviceSettings& settings, size_t dropLimit = 0, bool blocks = true);
    // Takes one received byte; true when the response is complete with it.
    bool add(char byte);
    // Reads while bytes wait, at most limit of them; true when the response is complete.
    bool take(ExchangePort& port, size_t limit = static_cast<size_t>(-1));
    // The count of bytes read so far.
    size_t count() const { return taken; }
    // A block's bytes are coming.
    bool readingBlock() const { return block == Block::Bytes; }
    Response response() const;

private:
    // Where a block stands: not one, its header coming, its bytes coming, all of them read.
    enum class Block { None, Header, Bytes, Read };
    bool headerByte(char byte);

    std::string terminator;
    size_t keep;
    size_t dropLimit;
    std::string answer;
    size_t taken = 0;
    size_t dropped = 0;
    bool cut = false;
    bool ended = false;
    bool whole = false;
    Block block;
    size_t blockStart = 0; // where its bytes begin in answer
    size_t blockLength = 0;
    size_t blockLeft = 0;
};

// The sub-strings of an answer or a line as the port's settings split it (INSUBSTRINGS,
// INSUBTERM); the whole text when they do not.
std::vector<std::string> subStrings(const std::string& text, const DeviceSettings& settings);

// A stream of lines that a device sends on its own, split at the in-terminator as its answers
// are, cut and bounded as they are: a line longer than inMaxSigns keeps inMaxSigns + 1
// characters and is marked cut.
struct StreamLine {
    std::string text;  // as text (the device's bytes read as Latin-1)
    bool cut = false;
    int64_t stamp = 0; // when its first byte came
};

class StreamLines {
public:
    explicit StreamLines(const DeviceSettings& settings);
    // The lines the bytes end; stamp is when the bytes came.
    std::vector<StreamLine> feed(std::string_view bytes, int64_t stamp);
    // The line begun and not ended, as a line of its own (after a silence); none when no byte
    // of one waits.
    std::optional<StreamLine> flush();
    // Bytes of a line begun wait.
    bool waiting() const { return line.count() > 0; }

private:
    DeviceSettings settings;
    ResponseBytes line;
    int64_t started = 0;
};

// Reads one response in passes: a pass ends when no byte waits; with morePasses, up to inRetry
// further passes follow, delayShort apart.
Response readResponse(ExchangePort& port, const DeviceSettings& settings, bool morePasses);

// A response read as its bytes arrive ("Antwort sofort lesen"): complete at its terminator. A
// device that stays silent is given up after the first wait and inRetry x delayShort, as long as
// the fixed waits give it; an answer that has begun keeps at least the first wait from its first
// byte, and inRetry x delayShort after each further one. Each read takes a bounded number of
// bytes, so that a flood leaves the loop time for its windows.
class ResponseWait {
public:
    ResponseWait(const DeviceSettings& settings, int64_t firstWaitMs, int64_t nowMs, size_t dropLimit);
    // Reads what waits; true when the response is complete or its wait is over at nowMs.
    bool readFrom(ExchangePort& port, int64_t nowMs);
    // When the wait is over unless a byte comes before.
    int64_t deadline() const { return until; }
    Response response() const { return bytes.response(); }

private:
    ResponseBytes bytes;
    int64_t firstWaitMs;
    int64_t betweenMs;
    int64_t firstByteMs = 0;
    int64_t until;
};

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

// How an exchange stands, or how it ended: Unanswered, the query was sent and not one byte
// came back; Cut, its answer was not whole (longer than inMaxSigns, or stopped without its
// terminator), which the protocol marks "abgeschnitten".
enum class ExchangeState { Waiting, Done, Unanswered, Cut };

// Before a line goes out on a port that still owes an answer (one given up on, or the rest of
// one cut), that answer is waited for as long as an answer is and dropped, with a protocol
// line that says so, so that it is never taken for the next query's. These block.
// Sends a command row, then queries the device's errors when its settings ask for that.
void exchangeCommand(Exchange& exchange, const std::string& text);
// Sends a query row; the port keeps nothing that came before it. An empty query sends
// nothing, so that its answer is what waits.
void exchangeQuery(Exchange& exchange, const std::string& text);
// Reads the answer of the last query (asked: one was sent) into the protocol. Unanswered: the
// protocol line says "keine Antwort", a table cell stays empty.
ExchangeState exchangeAnswer(Exchange& exchange, bool asked);
// The answer of a query that the device's loss cut off, in a list: none came. A table keeps the
// query's cell for its answer after the port's return.
void writeLostAnswer(Exchange& exchange);

// An exchange that reads at once and waits for the device: a late answer owed from before,
// the answer of a query, or the status and queue answers of the error query.
struct PendingExchange {
    enum class Step { None, Late, Answer, Status, Queue };
    Step step = Step::None;
    std::optional<ResponseWait> wait;
    bool asked = false;   // the answer belongs to a query that was sent
    int64_t bits = 0;     // the error bits of the status answer
    size_t nextBit = 0;   // the next of the error bits whose queue is read
    bool cut = false;     // an answer of the exchange was not whole
    bool query = false;   // after the late answer: the line is a query, else a command
    std::string line;     // the line that goes out after the late answer
};

// Reading at once: sends a command row and starts the error query when the settings ask for it.
void beginCommand(Exchange& exchange, PendingExchange& pending, const std::string& text);
// Reading at once: sends a query row and starts waiting for its answer; the answer of an empty
// query is what waits or comes first.
void beginQuery(Exchange& exchange, PendingExchange& pending, const std::string& text);
// Sends a command or query row the way the port's device reads its answers: at once, into
// pending, or with fixed waits.
void startExchange(Exchange& exchange, PendingExchange& pending,
                   void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                   void (*withFixedWaits)(Exchange&, const std::string&), const std::string& text);
// Reads what the device sent meanwhile and goes on with the exchange; the answer and the error
// query write their protocol lines as with fixed waits.
ExchangeState continueExchange(Exchange& exchange, PendingExchange& pending);

// Waits the milliseconds (nothing for 0 or less).
void waitMs(int64_t milliseconds);
// All the microseconds waitMs has waited so far.
int64_t waitedMicroseconds();
