// The serial port layer when its system calls fail: each failure gives the layer's result for
// it (0, an empty read, a lost device), a write that is cut short or interrupted still sends
// every byte, and no port is ever left half open.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "faults/system_call_shim.h"
#include "serial/device_io.h"
#include "serial/pty.h"

namespace {

long openDescriptors()
{
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class SerialFaults : public ::testing::Test {
protected:
    void TearDown() override
    {
        clearFault();
        deviceCloseAll();
    }
    bool open() { return openTerminalPort(0, peer.devicePath()); }
    PseudoTerminal peer;
};

} // namespace

TEST_F(SerialFaults, AnOpeningThatFailsLeavesNothingOpen)
{
    // Each failure keeps its reason for the user.
    struct {
        const char* call;
        int nth;
        int error;
        OpenFailure kind;
    } refused[] = {{"open", 1, EBUSY, OpenFailure::Busy},        {"open", 1, ENXIO, OpenFailure::Missing},
                   {"open", 1, EACCES, OpenFailure::Access},     {"open", 1, EMFILE, OpenFailure::Other},
                   {"open", 1, EIO, OpenFailure::Other},         {"open", 1, EINTR, OpenFailure::Other},
                   {"open", 1, EAGAIN, OpenFailure::Other},      {"tcsetattr", 1, EIO, OpenFailure::DriverRefused},
                   {"tcsetattr", 1, EINTR, OpenFailure::DriverRefused},
                   {"tcsetattr", 1, EINVAL, OpenFailure::DriverRefused}};
    for (const auto& fault : refused) {
        long before = openDescriptors();
        injectFault({fault.call, fault.nth, fault.error});
        EXPECT_FALSE(open()) << fault.call << " " << fault.error;
        EXPECT_TRUE(faultStruck()) << fault.call;
        EXPECT_FALSE(deviceIsOpen(0));
        EXPECT_EQ(openDescriptors(), before) << fault.call << " " << fault.error;
        OpenFailureReason reason = deviceOpenFailure(0);
        EXPECT_EQ(reason.kind, fault.kind) << fault.call << " " << fault.error;
        EXPECT_EQ(reason.error, fault.error) << fault.call;
        clearFault();
    }
    EXPECT_EQ(openFailureText({OpenFailure::Access, EACCES, 0, "", ""}), "Zugriff verweigert (keine Rechte am Gerät)");
    EXPECT_NE(openFailureText({OpenFailure::Other, EMFILE, 0, "", ""}).find("Systemfehler: "), std::string::npos);
    EXPECT_FALSE(openTerminalPort(0, peer.devicePath(), 12345));
    EXPECT_EQ(deviceOpenFailure(0).kind, OpenFailure::Settings);
    // The exclusive use and the first flush are wishes: without them the port still works.
    for (const char* call : {"ioctl", "tcflush"}) {
        injectFault({call, 1, EIO});
        EXPECT_TRUE(open()) << call;
        EXPECT_TRUE(faultStruck());
        EXPECT_TRUE(deviceIsOpen(0));
        EXPECT_EQ(deviceOpenFailure(0).kind, OpenFailure::None);
        deviceClose(0);
    }
}

TEST_F(SerialFaults, AWriteCutShortOrInterruptedStillSendsEveryByteAndAGoneDeviceIsLost)
{
    ASSERT_TRUE(open());
    const std::string line = "VOLT 12.5\r\n";
    for (InjectedFault fault : {InjectedFault{"write", 1, 0, true}, InjectedFault{"write", 1, EINTR},
                                InjectedFault{"write", 1, EAGAIN}}) {
        injectFault(fault);
        EXPECT_EQ(deviceWrite(0, line), static_cast<int64_t>(line.size()));
        EXPECT_TRUE(faultStruck());
        EXPECT_EQ(peer.receive(line.size()), line);
        EXPECT_FALSE(deviceLost(0));
    }
    injectFault({"write", 1, EIO});
    EXPECT_LT(deviceWrite(0, line), static_cast<int64_t>(line.size()));
    EXPECT_TRUE(deviceLost(0));
}

TEST_F(SerialFaults, FailedReadsAreEmptyAndOnlyAGoneDeviceIsLost)
{
    ASSERT_TRUE(open());
    peer.send("AB");
    ASSERT_TRUE(waitForAvailable(0, 2));
    char byte = 0;
    injectFault({"read", 1, EAGAIN});
    EXPECT_EQ(deviceRead(0, &byte, 1), 0);
    EXPECT_FALSE(deviceLost(0));
    injectFault({"read", 1, EINTR});
    EXPECT_EQ(deviceRead(0, &byte, 1), 1);
    EXPECT_EQ(byte, 'A');
    // The look at what waits fails as a gone device fails.
    injectFault({"ioctl", 1, EIO});
    EXPECT_TRUE(deviceLost(0));
    deviceClose(0);

    ASSERT_TRUE(open());
    injectFault({"read", 1, ENXIO});
    EXPECT_EQ(deviceRead(0, &byte, 1), 0);
    EXPECT_TRUE(deviceLost(0));
    // A flush that fails leaves the port as it was.
    injectFault({"tcflush", 1, EIO});
    deviceDiscardInput(0);
    EXPECT_TRUE(faultStruck());
    EXPECT_TRUE(deviceIsOpen(0));
}
