// Sending lines and reading responses in passes, against a peer on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/protocol_state.h"
#include "run/device_exchange.h"
#include "serial/device_io.h"
#include "serial/pty.h"

namespace {

class SerialExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openTerminalPort(port, peer.devicePath()));
        settings.inTerminator = "\r\n";
        settings.inRetry = 5;
        settings.delayShort = 15;
        settings.inMaxSigns = 60;
    }
    void TearDown() override { deviceCloseAll(); }
    // The peer answers now, and later the rest after the pause.
    Response answer(const std::string& now, int pauseMs = 0, const std::string& later = "")
    {
        peer.send(now);
        waitUntilArrived(now);
        // The rest comes the pause after the reader has taken the first part.
        std::thread rest([&] {
            if (!later.empty()) {
                auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (bytesWaiting(port) > 0 && std::chrono::steady_clock::now() < giveUp)
                    std::this_thread::yield();
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                peer.send(later);
            }
        });
        Response response = readResponse(io, settings, true);
        rest.join();
        return response;
    }
    void waitUntilArrived(const std::string& sent)
    {
        if (!sent.empty())
            waitForAvailable(port, static_cast<long long>(sent.size()));
    }

    const PortIndex port = 2;
    DeviceExchangePort io{port};
    PseudoTerminal peer;
    DeviceSettings settings;
};

} // namespace

TEST_F(SerialExchange, LinesGoOutWithOneTerminator)
{
    EXPECT_EQ(lineToSend("VOLT 1.5", "\r\n"), "VOLT 1.5\r\n");
    EXPECT_EQ(lineToSend("VOLT 1.5\r\n", "\r\n"), "VOLT 1.5\r\n");
    EXPECT_EQ(lineToSend("", "\r"), "\r");
    EXPECT_EQ(lineToSend("CURR 5µA", "\n"), "CURR 5\xB5" "A\n");
    EXPECT_EQ(sentForProtocol("A\r\nB\r\n", "\r\n"), "AB");
    ASSERT_TRUE(sendBytes(io, lineToSend("*IDN?", "\r\n")));
    EXPECT_EQ(peer.receive(7), "*IDN?\r\n");
}

TEST_F(SerialExchange, ResponsesByTerminator)
{
    Response response = answer("1.234\r\n");
    EXPECT_EQ(response.text, "1.234");
    EXPECT_EQ(response.retries, 0);
    settings.inTerminator = "\r";
    EXPECT_EQ(answer("OK\r").text, "OK");
    // No terminator: the answer ends when nothing more comes; a 127 stays for the protocol.
    settings.inTerminator = "";
    settings.inRetry = 1;
    EXPECT_EQ(answer("\x7F" "abc").text, "\x7F" "abc");
    EXPECT_EQ(answer("\xB5" "A\n").text, "µA\n");
}

TEST_F(SerialExchange, SlowAnswersAreCollectedWholeInFurtherPasses)
{
    // The pause is longer than a pass: nothing of "12.5" may be lost under terminator 13;10.
    // The reader waits far longer than the pause, so a loaded machine still sees the rest come.
    settings.inRetry = 400;
    Response response = answer("12.5", 40, "67\r\n");
    EXPECT_EQ(response.text, "12.567");
    EXPECT_GE(response.retries, 1);

    // No answer at all: every further pass, then an empty response.
    settings.inRetry = 5;
    response = answer("");
    EXPECT_EQ(response.text, "");
    EXPECT_EQ(response.retries, 5);
    EXPECT_EQ(readResponse(io, settings, false).retries, 0);
}

TEST_F(SerialExchange, AnOverlongAnswerIsCutAndLeavesNothingForTheNext)
{
    settings.inMaxSigns = 3;
    EXPECT_EQ(answer("123456789\r\n").text, "1234");
    EXPECT_EQ(answer("ABC\r\n").text, "ABC");
    // Its rest may come late; it is still dropped before the next answer.
    settings.inRetry = 400;
    EXPECT_EQ(answer("123456", 40, "789\r\n").text, "1234");
    EXPECT_EQ(answer("XY\r\n").text, "XY");
}

TEST_F(SerialExchange, AFloodWithoutTerminatorEndsTheReadAfterABoundedAmount)
{
    settings.inMaxSigns = 10;
    const size_t flood = 4 << 20;
    std::atomic<size_t> written{0};
    std::thread writer([&] {
        const std::string chunk(4096, 'x');
        while (written < flood) {
            peer.send(chunk);
            written += chunk.size();
        }
    });
    waitForAvailable(port, 1);
    Response response = readResponse(io, settings, true);
    EXPECT_EQ(response.text, std::string(11, 'x'));
    // The device was still sending when the read gave up.
    EXPECT_LT(written.load(), flood);
    while (written < flood)
        deviceDiscardInput(port);
    writer.join();
}

TEST(ErrorQuery, TheProtocolLineNamesTheBitsAndTheQueue)
{
    EXPECT_EQ(errorQueryLine(36, "-100,Command error-113,Undefined header", 0),
              "Err-#: '%100100' = -100,Command error-113,Undefined header+ Hardw.-Err.: 0");
    EXPECT_EQ(errorQueryLine(16, "-222,Data out of range", 3), "Err-#: '%10000' = -222,Data out of range+ Hardw.-Err.: 3");
}

namespace {

// A message-based instrument (as USBTMC and VXI-11 are): a write is one message, and the answer
// to a query is one whole message, handed out as it is read; there is no descriptor and no
// count of waiting bytes.
class MessageTransport : public Transport {
public:
    State state() const override { return State::Open; }
    OpenFailureReason failure() const override { return {}; }
    int64_t write(std::string_view bytes) override
    {
        messages.emplace_back(bytes);
        if (bytes == "MEAS:VOLT?\n")
            answer = "+1.2500E+00\n";
        return static_cast<int64_t>(bytes.size());
    }
    int64_t read(char* buffer, int64_t maxCount) override
    {
        int64_t count = std::min<int64_t>(maxCount, static_cast<int64_t>(answer.size()));
        answer.copy(buffer, static_cast<size_t>(count));
        answer.erase(0, static_cast<size_t>(count));
        return count;
    }
    bool inputWaits() override { return !answer.empty(); }
    bool lost() override { return false; }
    int descriptor() const override { return -1; }
    int hangUpEvents() const override { return 0; }
    void discardInput() override { answer.clear(); }

    std::vector<std::string> messages;
    std::string answer;
};

} // namespace

// A transport of a kind the device layer does not know yet carries a query through the same
// exchange as a terminal: one class and the line that chooses it are all it takes.
TEST(MessageTransport, CarriesAQueryAndItsWholeAnswerThroughTheExchange)
{
    auto owned = std::make_unique<MessageTransport>();
    MessageTransport& instrument = *owned;
    ASSERT_EQ(deviceAdopt(11, std::move(owned)), OpenProgress::Open);
    PortEntry entry;
    entry.settings.outTerminator = "\n";
    entry.settings.inTerminator = "\n";
    entry.settings.delayLong = 1;
    entry.settings.delayShort = 1;
    DeviceExchangePort io(11);
    std::vector<std::string> lines;
    Exchange exchange{io, entry, ModeList, {"*ESR?", "SYST:ERR?", "*CLS"},
                      [&](const std::string& text, int, const std::string&) { lines.push_back(text); }};
    exchangeQuery(exchange, "MEAS:VOLT?");
    EXPECT_EQ(exchangeAnswer(exchange, true), ExchangeState::Done);
    EXPECT_EQ(instrument.messages, std::vector<std::string>{"MEAS:VOLT?\n"});
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Return:\n+1.2500E+00");
    EXPECT_FALSE(deviceHasLineSettings(11));
    deviceClose(11);
}
