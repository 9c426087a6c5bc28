// The bytes of the runner's exchange with a device.
#include "run/serial_exchange.h"

#include <glib.h>

#include <algorithm>

#include "common/text.h"
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
bool readPass(PortIndex port, char last, std::string& answer, size_t keep, bool& cut, size_t& dropped)
{
    char byte = 0;
    while (serialAvailable(port) > 0 && serialRead(port, &byte, 1) == 1) {
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

bool sendBytes(PortIndex port, const std::string& bytes)
{
    return !bytes.empty() && serialWrite(port, bytes) == static_cast<int64_t>(bytes.size());
}

Response readResponse(PortIndex port, const DeviceSettings& settings, bool morePasses)
{
    const std::string& terminator = settings.inTerminator;
    const char last = terminator.empty() ? '\0' : terminator.back();
    // An answer is cut after inMaxSigns + 1 characters.
    const size_t keep = static_cast<size_t>(std::max<int64_t>(settings.inMaxSigns, 0)) + 1;
    Response response;
    std::string answer;
    bool cut = false;
    size_t dropped = 0;
    for (;;) {
        bool ended = readPass(port, last, answer, keep, cut, dropped);
        if (ended || !morePasses || response.retries >= settings.inRetry)
            break;
        ++response.retries;
        waitMs(settings.delayShort);
    }
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
