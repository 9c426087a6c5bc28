// The device layer and its transports on pseudo-terminals and loopback connections, and the
// terminal configuration it builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "serial/device_io.h"
#include "serial/lock_files.h"
#include "serial/loopback.h"
#include "serial/port_table.h"
#include "serial/pty.h"
#include "serial/terminal_transport.h"

namespace {

class SerialPort : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(pty.devicePath().empty()); }
    void TearDown() override { deviceCloseAll(); }
    PseudoTerminal pty;
};

int openDescriptors()
{
    int count = 0;
    GDir* dir = g_dir_open("/proc/self/fd", 0, nullptr);
    while (g_dir_read_name(dir))
        ++count;
    g_dir_close(dir);
    return count;
}

std::string allBytes()
{
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    return bytes;
}

} // namespace

TEST_F(SerialPort, BytesCrossUnchangedInBothDirections)
{
    ASSERT_TRUE(openTerminalPort(0, pty.devicePath()));
    EXPECT_TRUE(deviceIsOpen(0));
    std::string bytes = allBytes() + "\r\n";
    EXPECT_EQ(deviceWrite(0, bytes), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(pty.receive(bytes.size()), bytes);

    pty.send(bytes);
    ASSERT_TRUE(waitForAvailable(0, static_cast<long long>(bytes.size())));
    EXPECT_EQ(bytesWaiting(0), static_cast<int64_t>(bytes.size()));
    std::string received(bytes.size(), '\0');
    EXPECT_EQ(deviceRead(0, received.data(), static_cast<int64_t>(received.size())),
              static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(received, bytes);
}

TEST_F(SerialPort, ReadReturnsAtOnceWhenNothingWaitsAndReadsByteByByte)
{
    ASSERT_TRUE(openTerminalPort(3, pty.devicePath()));
    char byte = 0;
    // A read of an empty line must not wait for the device.
    EXPECT_TRUE(fcntl(deviceDescriptor(3), F_GETFL) & O_NONBLOCK);
    EXPECT_EQ(deviceRead(3, &byte, 1), 0);
    EXPECT_EQ(bytesWaiting(3), 0);

    pty.send("OK");
    ASSERT_TRUE(waitForAvailable(3, 2));
    EXPECT_EQ(deviceRead(3, &byte, 1), 1);
    EXPECT_EQ(byte, 'O');
    EXPECT_EQ(bytesWaiting(3), 1);
    EXPECT_EQ(deviceRead(3, &byte, 1), 1);
    EXPECT_EQ(byte, 'K');
    EXPECT_EQ(deviceRead(3, &byte, 0), 0);
    EXPECT_EQ(deviceRead(3, nullptr, 5), 0);
}

TEST_F(SerialPort, InputThatWaitedBeforeTheOpenIsDiscarded)
{
    // Keep the device open in raw mode elsewhere so that the waiting input is not echoed away.
    int holder = open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    termios raw{};
    tcgetattr(holder, &raw);
    cfmakeraw(&raw);
    tcsetattr(holder, TCSANOW, &raw);
    pty.send("stale answer\r");
    pollfd waiting{holder, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 5000), 1);

    ASSERT_TRUE(openTerminalPort(1, pty.devicePath()));
    EXPECT_EQ(bytesWaiting(1), 0);
    pty.send("X");
    ASSERT_TRUE(waitForAvailable(1, 1));
    char byte = 0;
    EXPECT_EQ(deviceRead(1, &byte, 1), 1);
    EXPECT_EQ(byte, 'X');
    close(holder);
}

TEST_F(SerialPort, UnacceptedCodesFailWithoutOpeningTheDevice)
{
    PseudoTerminal other;
    int before = openDescriptors();
    for (long long baud : {230400LL, 134LL, 200LL, -1LL, 9601LL})
        EXPECT_FALSE(openTerminalPort(0, pty.devicePath(), baud)) << baud;
    for (long long dataBits : {4LL, 9LL, 0LL})
        EXPECT_FALSE(openTerminalPort(0, pty.devicePath(), 9600, dataBits)) << dataBits;
    for (long long handshake : {-1LL, 4LL})
        EXPECT_FALSE(openTerminalPort(0, pty.devicePath(), 9600, 8, handshake)) << handshake;
    EXPECT_FALSE(deviceIsOpen(0));
    EXPECT_EQ(openDescriptors(), before);

    EXPECT_TRUE(openTerminalPort(0, pty.devicePath(), 1800));
    EXPECT_TRUE(openTerminalPort(1, other.devicePath(), 0, 5, 3));
    EXPECT_EQ(openDescriptors(), before + 2);
}

TEST_F(SerialPort, ADeviceInUseIsRefusedAndTheFirstKeepsWorking)
{
    ASSERT_TRUE(openTerminalPort(0, pty.devicePath()));
    int before = openDescriptors();
    EXPECT_FALSE(openTerminalPort(1, pty.devicePath()));
    EXPECT_FALSE(deviceIsOpen(1));
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(deviceWrite(0, "*IDN?\r"), 6);
    EXPECT_EQ(pty.receive(6), "*IDN?\r");
    // Closed, the device is free again.
    deviceClose(0);
    EXPECT_TRUE(openTerminalPort(1, pty.devicePath()));
}

TEST_F(SerialPort, DevicesThatAreMissingOrNoTerminalsDoNotOpen)
{
    int before = openDescriptors();
    EXPECT_FALSE(openTerminalPort(0, "/dev/ttyQuirloMissing"));
    EXPECT_FALSE(openTerminalPort(0, "/dev/null"));
    EXPECT_FALSE(openTerminalPort(0, "/tmp"));
    EXPECT_FALSE(deviceIsOpen(0));
    EXPECT_EQ(openDescriptors(), before);

    // A handle holds one descriptor: a second open under it is refused.
    ASSERT_TRUE(openTerminalPort(0, pty.devicePath()));
    EXPECT_FALSE(openTerminalPort(0, pty.devicePath()));
    EXPECT_EQ(openDescriptors(), before + 1);
}

TEST_F(SerialPort, EveryOperationOnAClosedHandleDoesNothing)
{
    char buffer[4] = {};
    EXPECT_FALSE(deviceIsOpen(7));
    EXPECT_EQ(deviceWrite(7, "*IDN?\r"), 0);
    EXPECT_EQ(bytesWaiting(7), 0);
    EXPECT_EQ(deviceRead(7, buffer, 4), 0);
    EXPECT_FALSE(deviceSetLine(7, SerialLine::DTR, 1));
    EXPECT_EQ(deviceLineErrors(7), 0);
    deviceClose(7);

    ASSERT_TRUE(openTerminalPort(7, pty.devicePath()));
    deviceClose(7);
    EXPECT_FALSE(deviceIsOpen(7));
    EXPECT_EQ(deviceWrite(7, "x"), 0);
}

TEST_F(SerialPort, ModemLinesOfAPseudoTerminalReportFailureAndHarmNothing)
{
    ASSERT_TRUE(openTerminalPort(2, pty.devicePath()));
    EXPECT_FALSE(deviceSetLine(2, SerialLine::DTR, 1));
    EXPECT_FALSE(deviceSetLine(2, SerialLine::RTS, 0));
    EXPECT_EQ(deviceLineErrors(2), 0);
    EXPECT_EQ(deviceWrite(2, "still fine"), 10);
    EXPECT_EQ(pty.receive(10), "still fine");
}

TEST_F(SerialPort, AVanishedDeviceReadsAndWritesNothingAndSaysItIsGone)
{
    ASSERT_TRUE(openTerminalPort(4, pty.devicePath()));
    EXPECT_EQ(bytesWaiting(4), 0);
    EXPECT_FALSE(deviceLost(4));
    pty.closeMaster();
    EXPECT_EQ(bytesWaiting(4), 0);
    EXPECT_TRUE(deviceLost(4));
    char buffer[8];
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(deviceRead(4, buffer, sizeof buffer), 0);
        EXPECT_EQ(bytesWaiting(4), 0);
    }
    EXPECT_EQ(deviceWrite(4, "*CLS\r"), 0);
    EXPECT_TRUE(deviceLost(4));
    deviceCloseAll();
    EXPECT_FALSE(deviceIsOpen(4));
}

TEST(SerialConfig, BuildsEveryParityFromZero)
{
    struct Case {
        long long parity;
        tcflag_t flags;
    } cases[] = {
        {0, 0},
        {1, PARENB},
        {2, CMSPAR | PARENB | PARODD},
        {3, PARENB | PARODD},
        {4, CMSPAR | PARENB},
        {5, 0},
        {-1, 0},
    };
    for (const Case& c : cases) {
        termios config;
        ASSERT_TRUE(buildSerialConfig(9600, c.parity, 8, 1.0f, 0, config));
        EXPECT_EQ(config.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << c.parity;
        EXPECT_EQ(config.c_cflag & ~(PARENB | PARODD | CMSPAR | CBAUD), CS8 | CREAD | CLOCAL);
    }
}

TEST(SerialConfig, MapsDataBitsStopBitsAndSpeeds)
{
    termios config;
    const std::pair<long long, tcflag_t> sizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
    for (const auto& [bits, size] : sizes) {
        ASSERT_TRUE(buildSerialConfig(9600, 0, bits, 1.0f, 0, config));
        EXPECT_EQ(config.c_cflag & CSIZE, size);
    }
    ASSERT_TRUE(buildSerialConfig(9600, 0, 8, 1.0f, 0, config));
    EXPECT_EQ(config.c_cflag & CSTOPB, 0u);
    for (float stop : {1.5f, 2.0f, 0.0f}) {
        ASSERT_TRUE(buildSerialConfig(9600, 0, 8, stop, 0, config));
        EXPECT_EQ(config.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB)) << stop;
    }
    const std::pair<long long, speed_t> speeds[] = {{0, B0}, {50, B50}, {1800, B1800},
                                                    {9600, B9600}, {115200, B115200}};
    for (const auto& [baud, speed] : speeds) {
        ASSERT_TRUE(buildSerialConfig(baud, 0, 8, 1.0f, 0, config));
        EXPECT_EQ(cfgetispeed(&config), speed);
        EXPECT_EQ(cfgetospeed(&config), speed);
    }
    EXPECT_FALSE(buildSerialConfig(230400, 0, 8, 1.0f, 0, config));
    EXPECT_FALSE(buildSerialConfig(9600, 0, 9, 1.0f, 0, config));
}

TEST(SerialConfig, HandshakesAndTheFixedModes)
{
    termios none, rts, rtsCts, xonXoff;
    ASSERT_TRUE(buildSerialConfig(9600, 0, 8, 1.0f, 0, none));
    ASSERT_TRUE(buildSerialConfig(9600, 0, 8, 1.0f, 1, rts));
    ASSERT_TRUE(buildSerialConfig(9600, 0, 8, 1.0f, 2, rtsCts));
    ASSERT_TRUE(buildSerialConfig(9600, 0, 8, 1.0f, 3, xonXoff));
    EXPECT_FALSE(buildSerialConfig(9600, 0, 8, 1.0f, -1, none));
    EXPECT_FALSE(buildSerialConfig(9600, 0, 8, 1.0f, 4, none));

    EXPECT_EQ(none.c_iflag, static_cast<tcflag_t>(IGNPAR));
    EXPECT_EQ(rts.c_iflag, none.c_iflag);
    EXPECT_EQ(rts.c_cflag, none.c_cflag);
    EXPECT_EQ(rtsCts.c_cflag, none.c_cflag | CRTSCTS);
    EXPECT_EQ(rtsCts.c_iflag, none.c_iflag);
    EXPECT_EQ(xonXoff.c_iflag, static_cast<tcflag_t>(IGNPAR | IXON | IXOFF | IXANY));
    EXPECT_EQ(xonXoff.c_cflag, none.c_cflag);

    EXPECT_EQ(none.c_oflag, 0u);
    EXPECT_EQ(none.c_lflag, 0u);
    for (int cc = 0; cc < NCCS; ++cc) {
        cc_t expected = cc == VEOF ? 4 : cc == VMIN ? 1 : cc == VSTART ? 17 : cc == VSTOP ? 19 : 0;
        EXPECT_EQ(none.c_cc[cc], expected) << cc;
    }
}

TEST(PortTable, StartsWithThreeUnusedEntriesAndNoCurrentPort)
{
    currentPort = 4;
    createPortTable();
    EXPECT_EQ(PortTable.size(), 3u);
    EXPECT_EQ(portCount, 0);
    EXPECT_EQ(currentPort, -1);
    PortTable[1].name = "pts/5";
    PortTable[1].inBuffer.resize(1024);
    EXPECT_EQ(portDevicePath(PortTable[1]), "/dev/pts/5");
    releasePortBuffers();
    EXPECT_EQ(PortTable[1].inBuffer.capacity(), 0u);
}

TEST_F(SerialPort, AnotherProgramsLockRefusesTheDeviceAStaleOneIsTakenOverAndQuirlosGoesAtClose)
{
    const std::string before = lockDirectory;
    gchar* dir = g_dir_make_tmp("locks-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    lockDirectory = dir;
    const std::string lock = lockFilePath(pty.devicePath());
    std::string name = pty.devicePath().substr(5);
    std::replace(name.begin(), name.end(), '/', '_');
    EXPECT_EQ(lock, std::string(dir) + "/LCK.." + name);

    // A live process holds it (init always lives).
    ASSERT_TRUE(g_file_set_contents(lock.c_str(), "         1\n", -1, nullptr));
    EXPECT_FALSE(openTerminalPort(0, pty.devicePath()));
    OpenFailureReason reason = deviceOpenFailure(0);
    EXPECT_EQ(reason.kind, OpenFailure::Locked);
    EXPECT_EQ(openFailureText(reason), "Gerät belegt: Prozess 1 hält die Sperrdatei " + lock);

    // The lock of a process that is gone is stale.
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    ASSERT_TRUE(g_file_set_contents(lock.c_str(), std::to_string(gone).c_str(), -1, nullptr));
    // Someone else holds the terminal open too; Quirlo's exclusive use must end with its close.
    int holder = open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_TRUE(openTerminalPort(0, pty.devicePath()));
    gchar* text = nullptr;
    ASSERT_TRUE(g_file_get_contents(lock.c_str(), &text, nullptr, nullptr));
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(std::string(text), std::string(10 - pid.size(), ' ') + pid + "\n");
    g_free(text);
    // A second handle of Quirlo's is refused and leaves the first one's lock.
    EXPECT_FALSE(openTerminalPort(1, pty.devicePath()));
    EXPECT_TRUE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    deviceClose(0);
    EXPECT_FALSE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    int exclusive = 1;
    ASSERT_EQ(ioctl(holder, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    close(holder);

    // Named through a link, the device is locked under the name given too, as another program
    // may have locked it under that name.
    const std::string link = std::string(dir) + "/ttyLINK";
    ASSERT_EQ(symlink(pty.devicePath().c_str(), link.c_str()), 0);
    std::string given = link;
    std::replace(given.begin(), given.end(), '/', '_');
    const std::string givenLock = std::string(dir) + "/LCK.." + given;
    ASSERT_TRUE(g_file_set_contents(givenLock.c_str(), "         1\n", -1, nullptr));
    EXPECT_FALSE(openTerminalPort(0, link));
    EXPECT_EQ(openFailureText(deviceOpenFailure(0)), "Gerät belegt: Prozess 1 hält die Sperrdatei " + givenLock);
    EXPECT_FALSE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    g_remove(givenLock.c_str());
    ASSERT_TRUE(openTerminalPort(0, link));
    EXPECT_TRUE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(g_file_test(givenLock.c_str(), G_FILE_TEST_EXISTS));
    deviceClose(0);
    EXPECT_FALSE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test(givenLock.c_str(), G_FILE_TEST_EXISTS));
    g_remove(link.c_str());
    g_rmdir(dir);
    g_free(dir);
    lockDirectory = before;
}

// A lock of a live process that this one may not signal (another user's) is not stale. Run as
// a user who is not root, as most users are.
TEST(LockFiles, AnotherUsersLiveLockIsRespected)
{
    const std::string before = lockDirectory;
    gchar* dir = g_dir_make_tmp("locks-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    g_chmod(dir, 0777);
    lockDirectory = dir;
    // Process 1 (init) belongs to root.
    const std::string lock = lockFilePath("/dev/ttyQUIRLO");
    ASSERT_TRUE(g_file_set_contents(lock.c_str(), "         1\n", -1, nullptr));
    pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        int64_t owner = 0;
        std::string held;
        _exit(!takeDeviceLock("/dev/ttyQUIRLO", owner, held) && owner == 1 && held == lock ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(g_file_test(lock.c_str(), G_FILE_TEST_EXISTS));
    g_remove(lock.c_str());
    g_rmdir(dir);
    g_free(dir);
    lockDirectory = before;
}

namespace {

// Opens the network port and lets the loop run until its connect ended.
OpenProgress connectPort(int64_t handle, int port, bool* loopRan = nullptr)
{
    std::vector<int64_t> ended;
    setConnectListener([&](int64_t index) { ended.push_back(index); });
    OpenProgress progress = deviceOpen(handle, "tcp:127.0.0.1:" + std::to_string(port), DeviceSettings{});
    EXPECT_EQ(progress, OpenProgress::Connecting);
    EXPECT_TRUE(deviceConnecting(handle));
    guint timer = g_timeout_add(20, [](gpointer ran) -> gboolean {
        if (ran)
            *static_cast<bool*>(ran) = true;
        return G_SOURCE_CONTINUE;
    }, loopRan);
    while (ended.empty())
        g_main_context_iteration(nullptr, TRUE);
    g_source_remove(timer);
    setConnectListener(nullptr);
    EXPECT_EQ(ended, std::vector<int64_t>{handle});
    EXPECT_FALSE(deviceConnecting(handle));
    return deviceIsOpen(handle) ? OpenProgress::Open : OpenProgress::Failed;
}

} // namespace

TEST(NetworkPort, SendsReadsDiscardsAndNoticesItsPeerLeaving)
{
    LoopbackListener listener;
    ASSERT_EQ(connectPort(5, listener.port), OpenProgress::Open);
    EXPECT_FALSE(deviceHasLineSettings(5));
    int peer = accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    EXPECT_EQ(deviceWrite(5, "*IDN?\r\n"), 7);
    char received[16] = {};
    EXPECT_EQ(read(peer, received, sizeof received), 7);
    // Line settings have no meaning on a connection.
    EXPECT_FALSE(deviceSetLine(5, SerialLine::DTR, 1));
    // What waits is dropped, also a flood larger than one read.
    std::string flood(20000, 'x');
    ASSERT_EQ(write(peer, flood.data(), flood.size()), static_cast<ssize_t>(flood.size()));
    ASSERT_TRUE(waitForAvailable(5, 20000, 2000));
    deviceDiscardInput(5);
    EXPECT_EQ(bytesWaiting(5), 0);
    // The peer answers and closes the connection at once: the answer is read first, then the
    // port counts as gone, as an unplugged device does.
    ASSERT_EQ(write(peer, "QUIRLO\r\n", 8), 8);
    close(peer);
    pollfd end{deviceDescriptor(5), POLLRDHUP, 0};
    ASSERT_EQ(poll(&end, 1, 2000), 1);
    EXPECT_TRUE(deviceInputWaits(5));
    EXPECT_FALSE(deviceLost(5));
    char answer[16] = {};
    EXPECT_EQ(deviceRead(5, answer, sizeof answer), 8);
    EXPECT_FALSE(deviceInputWaits(5));
    EXPECT_TRUE(deviceLost(5));
    EXPECT_EQ(deviceLostWhy(5), "Gegenstelle hat geschlossen");
    deviceClose(5);
    EXPECT_FALSE(deviceIsOpen(5));
}

TEST(NetworkPort, NobodyListeningIsARefusalWithItsReason)
{
    int port = 0;
    {
        LoopbackListener gone;
        port = gone.port;
    }
    EXPECT_EQ(connectPort(6, port), OpenProgress::Failed);
    EXPECT_EQ(deviceOpenFailure(6).kind, OpenFailure::Refused);
    EXPECT_EQ(openFailureText(deviceOpenFailure(6)), "Verbindung abgelehnt: dort nimmt niemand Verbindungen an");
    // A path that names no terminal is refused by what the file system says of it.
    EXPECT_FALSE(openTerminalPort(6, "/tmp"));
    EXPECT_EQ(deviceOpenFailure(6).kind, OpenFailure::NotATerminal);
}

// A server whose queue of connections is full takes no more: the connect gives up after its
// time limit, and the loop goes on meanwhile (a timer of the caller's keeps ticking).
TEST(NetworkPort, AConnectionThatNeverComesEndsAtItsTimeLimitWithoutHoldingTheLoop)
{
    LoopbackListener full;
    full.takeNoMore();
    bool loopRan = false;
    EXPECT_EQ(connectPort(7, full.port, &loopRan), OpenProgress::Failed);
    EXPECT_EQ(deviceOpenFailure(7).kind, OpenFailure::TimedOut);
    EXPECT_EQ(openFailureText(deviceOpenFailure(7)), "Zeitüberschreitung: keine Verbindung nach 3 s");
    EXPECT_TRUE(loopRan);
    // Stop or quit gives the connect up before its limit; its listener is told at once.
    std::vector<int64_t> ended;
    setConnectListener([&](int64_t index) { ended.push_back(index); });
    ASSERT_EQ(deviceOpen(7, "tcp:127.0.0.1:" + std::to_string(full.port), DeviceSettings{}), OpenProgress::Connecting);
    cancelConnects();
    EXPECT_EQ(ended, std::vector<int64_t>{7});
    EXPECT_EQ(openFailureText(deviceOpenFailure(7)), "Verbindungsaufbau abgebrochen");
    // A connect given up by closing the port tells nobody, also when GIO calls back later.
    ASSERT_EQ(deviceOpen(7, "tcp:127.0.0.1:" + std::to_string(full.port), DeviceSettings{}), OpenProgress::Connecting);
    deviceClose(7);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    setConnectListener(nullptr);
    EXPECT_EQ(ended.size(), 1u);
}
