// Coverage-guided fuzzing of the response reader through a pseudo-terminal: the first bytes
// choose the in-terminator, the length limit and the number of further passes, the rest is what
// the device sends. The reader must end with at most inMaxSigns + 1 characters of valid text, or
// with a definite-length block of no more bytes than its header announced.
#include <algorithm>

#include "fuzz/fuzz_checks.h"
#include "fuzz/fuzz_target.h"
#include "run/device_exchange.h"
#include "serial/device_io.h"
#include "serial/pty.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // A terminal of its own for each input: nothing of one input can reach the next.
    PseudoTerminal peer;
    if (!openTerminalPort(0, peer.devicePath()))
        return 0;
    DeviceSettings settings;
    const char terminators[][3] = {"", "\r", "\n", "\r\n", "\n\r", ";"};
    settings.inTerminator = terminators[data[0] % 6];
    settings.inMaxSigns = data[1];
    settings.inRetry = data[2] % 3;
    settings.delayShort = 0;
    // The terminal's own buffer holds a few kilobytes; a device that sends more waits.
    std::string sent(reinterpret_cast<const char*>(data + 3), std::min<size_t>(size - 3, 3000));
    peer.send(sent);
    // The bytes pass the terminal within a moment; the wait stays well inside the fuzzer's
    // one second per input, and the checks below hold for what has arrived by then.
    waitForAvailable(0, static_cast<long long>(sent.size()), 100);
    DeviceExchangePort io(0);
    Response response = readResponse(io, settings, true);
    deviceClose(0);
    if (!validUtf8(response.text))
        requireNoProblem("invalid UTF-8 in a response");
    if (response.isBlock) {
        if (response.text != "<Binärblock: " + std::to_string(response.block.size()) + " Bytes>" && response.whole)
            requireNoProblem("a whole block whose text does not tell its length");
        // Its bytes are those after its header, as they came.
        size_t header = sent.size() > 1 ? 2 + static_cast<size_t>(sent[1] - '0') : sent.size();
        if (sent.compare(std::min(header, sent.size()), response.block.size(), response.block) != 0)
            requireNoProblem("a block whose bytes are not those sent after its header");
        return 0;
    }
    // Characters: every byte but the continuation bytes of UTF-8 (NUL counts too).
    int64_t characters = std::count_if(response.text.begin(), response.text.end(),
                                       [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    if (characters > settings.inMaxSigns + 1)
        requireNoProblem("response longer than inMaxSigns + 1");
    return 0;
}
