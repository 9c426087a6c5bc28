// The USBTMC port against the fake of the kernel driver's interface: queries and their whole
// answers, a time-out and a clean next query, a block of megabytes, the instrument back in
// local at close, and one that was unplugged.
#include <gtest/gtest.h>

#include <glib.h>

#include <linux/usb/tmc.h>
#include <poll.h>

#include <algorithm>

#include "common/line_types.h"
#include "faults/usbtmc_fake.h"
#include "protocol/protocol_state.h"
#include "run/device_exchange.h"
#include "serial/device_io.h"
#include "serial/usbtmc_transport.h"

namespace {

constexpr int64_t handle = 3;

class Usbtmc : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFakeUsbtmc();
        entry.settings.outTerminator = "\n";
        entry.settings.inTerminator = "\n";
        entry.settings.readAtOnce = 1;
        entry.settings.delayLong = 400;
        entry.settings.delayShort = 10;
        entry.settings.inRetry = 3;
        fakeUsbtmc().capabilities = USBTMC488_CAPABILITY_GOTO_LOCAL;
        fakeUsbtmc().answer = [](const std::string& message) -> std::string {
            if (message == "*IDN?\n")
                return "FAKE,USB-DMM,7,1.0\n";
            if (message == "VOLT?\n")
                return "1.5"; // no terminator: the end of the message ends it
            if (message == "LATE?\n")
                return "late:0.25\n";
            if (message == "*ESR?\n")
                return "32\n";
            if (message == "SYST:ERR?\n")
                return "-113,\"Undefined header\"\n";
            if (message.rfind("DATA:BLOCK? ", 0) == 0) {
                size_t size = std::stoul(message.substr(12));
                std::string digits = std::to_string(size);
                return "#" + std::to_string(digits.size()) + digits + std::string(size, '\n') + "\n";
            }
            return "";
        };
    }
    void TearDown() override { closePort(); }
    // Closes the port and waits for its worker to close the device, which it does after
    // sending what was left.
    void closePort()
    {
        int closes = 0;
        {
            std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
            closes = fakeUsbtmc().closes;
        }
        bool open = deviceIsOpen(handle);
        deviceClose(handle);
        for (int tries = 0; open && tries < 1000; ++tries) {
            {
                std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
                if (fakeUsbtmc().closes > closes)
                    return;
            }
            g_usleep(5000);
        }
    }
    // A query as the runner asks it when it reads at once: the port's descriptor is waited on
    // until the answer is whole or its wait is over.
    ExchangeState ask(const std::string& text)
    {
        DeviceExchangePort port(handle);
        Exchange exchange{port, entry, ModeList, {"*ESR?", "SYST:ERR?", "*CLS"},
                          [this](const std::string& line, int kind, const std::string& extra) {
                              if (kind == KindResponse)
                                  answers.push_back(line.substr(8) + (extra.empty() ? "" : " | " + extra));
                          }};
        PendingExchange pending;
        beginQuery(exchange, pending, text);
        for (;;) {
            ExchangeState state = continueExchange(exchange, pending);
            if (state != ExchangeState::Waiting)
                return state;
            pollfd input = {deviceDescriptor(handle), POLLIN, 0};
            poll(&input, 1, static_cast<int>(std::max<int64_t>(pending.wait->deadline() - port.nowMs(), 1)));
        }
    }
    PortEntry entry;
    std::vector<std::string> answers;
};

} // namespace

TEST_F(Usbtmc, QueriesGetTheirWholeAnswersAndATimeOutLeavesTheNextQueryClean)
{
    ASSERT_TRUE(namesUsbtmc("/dev/usbtmc7"));
    EXPECT_FALSE(namesUsbtmc("/dev/ttyUSB0"));
    EXPECT_FALSE(namesUsbtmc("/dev/usbtmc"));
    ASSERT_EQ(deviceOpen(handle, "usbtmc7", entry.settings), OpenProgress::Open);
    EXPECT_FALSE(deviceHasLineSettings(handle));
    EXPECT_EQ(fakeUsbtmc().timeoutMs, 430u);
    EXPECT_EQ(ask("*IDN?"), ExchangeState::Done);
    EXPECT_EQ(ask("VOLT?"), ExchangeState::Done);
    // The answer comes after the driver's time-out: the transfer is cleared, and the next query
    // gets its own answer, not the late one.
    EXPECT_EQ(ask("LATE?"), ExchangeState::Unanswered);
    EXPECT_EQ(ask("*IDN?"), ExchangeState::Done);
    EXPECT_EQ(fakeUsbtmc().clears, 1);
    // A command gets no read; a waveform of 7.8 MB comes whole.
    DeviceExchangePort port(handle);
    Exchange command{port, entry, ModeList, {}, [](const std::string&, int, const std::string&) {}};
    exchangeCommand(command, "*RST");
    EXPECT_EQ(ask("DATA:BLOCK? 7800000"), ExchangeState::Done);
    EXPECT_EQ(answers, (std::vector<std::string>{"FAKE,USB-DMM,7,1.0", "1.5", " | keine Antwort", "FAKE,USB-DMM,7,1.0",
                                                 "<Binärblock: 7800000 Bytes>"}));
    std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
    EXPECT_EQ(fakeUsbtmc().heard, (std::vector<std::string>{"*IDN?\n", "VOLT?\n", "LATE?\n", "*IDN?\n", "*RST\n",
                                                            "DATA:BLOCK? 7800000\n"}));
}

TEST_F(Usbtmc, ADeviceClearAndLocalAtCloseAndAnUnpluggedInstrumentIsLost)
{
    ASSERT_EQ(deviceOpen(handle, "/dev/usbtmc7", entry.settings), OpenProgress::Open);
    // "Gerät zurücksetzen": the worker clears the device, and the port goes on.
    ASSERT_TRUE(deviceClears(handle));
    EXPECT_TRUE(deviceClear(handle));
    EXPECT_EQ(ask("*IDN?"), ExchangeState::Done);
    EXPECT_EQ(fakeUsbtmc().clears, 1);
    closePort();
    EXPECT_EQ(fakeUsbtmc().gotoLocals, 1);
    EXPECT_EQ(fakeUsbtmc().closes, 1);
    // Without the capability it is not asked to.
    fakeUsbtmc().capabilities = 0;
    ASSERT_EQ(deviceOpen(handle, "usbtmc7", entry.settings), OpenProgress::Open);
    closePort();
    EXPECT_EQ(fakeUsbtmc().gotoLocals, 1);

    ASSERT_EQ(deviceOpen(handle, "usbtmc7", entry.settings), OpenProgress::Open);
    {
        std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
        fakeUsbtmc().unplugged = true;
    }
    EXPECT_EQ(ask("*IDN?"), ExchangeState::Unanswered);
    EXPECT_TRUE(deviceLost(handle));
    closePort();
    EXPECT_EQ(deviceOpen(handle, "usbtmc7", entry.settings), OpenProgress::Failed);
    EXPECT_EQ(deviceOpenFailure(handle).kind, OpenFailure::Missing);
}

// With the class's status byte the device is asked for its errors only when the byte tells of
// them; a device without it is asked after every command, as on any port.
TEST_F(Usbtmc, TheStatusByteDecidesWhetherTheDeviceIsAskedForItsErrors)
{
    entry.settings.errQuery = 1;
    entry.settings.readAtOnce = 0;
    entry.settings.delayErr = 100;
    std::vector<std::string> lines;
    auto command = [&](const std::string& text) {
        DeviceExchangePort port(handle);
        Exchange exchange{port, entry, ModeList, {"*ESR?", "SYST:ERR?", "*CLS"},
                          [&](const std::string& line, int, const std::string& extra) { lines.push_back(line + extra); }};
        exchangeCommand(exchange, text);
    };
    for (unsigned char capabilities : {USBTMC488_CAPABILITY_488_DOT_2, 0}) {
        fakeUsbtmc().capabilities = capabilities;
        fakeUsbtmc().statusByte = 0;
        ASSERT_EQ(deviceOpen(handle, "usbtmc7", entry.settings), OpenProgress::Open);
        command("*RST");
        {
            std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
            fakeUsbtmc().statusByte = 0x20;
        }
        command("FOO");
        closePort();
    }
    std::lock_guard<std::mutex> lock(fakeUsbtmcLock());
    EXPECT_EQ(fakeUsbtmc().heard,
              (std::vector<std::string>{"*RST\n", "FOO\n", "*ESR?\n", "SYST:ERR?\n", "*CLS\n", "*RST\n", "*ESR?\n",
                                        "SYST:ERR?\n", "*CLS\n", "FOO\n", "*ESR?\n", "SYST:ERR?\n", "*CLS\n"}));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("Err-#: '%100000' = -113", 0) == 0; }),
              3);
}
