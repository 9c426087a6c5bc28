// The termios transport through which every byte reaches a serial device.
#include "serial/terminal_transport.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/descriptor_transport.h"
#include "serial/lock_files.h"

namespace {

bool speedOf(int64_t baud, speed_t& speed)
{
    static const std::pair<int64_t, speed_t> speeds[] = {
        {0, B0},       {50, B50},       {75, B75},       {110, B110},     {150, B150},
        {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},
        {4800, B4800}, {9600, B9600},   {19200, B19200}, {38400, B38400}, {57600, B57600},
        {115200, B115200},
    };
    for (const auto& [rate, constant] : speeds) {
        if (rate == baud) {
            speed = constant;
            return true;
        }
    }
    return false;
}

class TerminalTransport : public DescriptorTransport {
public:
    TerminalTransport(const std::string& devicePath, const DeviceSettings& settings);
    ~TerminalTransport() override;
    int hangUpEvents() const override { return POLLHUP | POLLERR; }
    void discardInput() override
    {
        if (fd >= 0)
            tcflush(fd, TCIFLUSH);
    }
    bool lineSettings() const override { return true; }
    bool setLine(SerialLine line, int level) override;

protected:
    // A hang-up that the device reports before anything fails.
    bool hungUp() override
    {
        pollfd watch{fd, POLLIN, 0};
        return poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(watch.revents & POLLIN);
    }

private:
    void take(const std::string& devicePath, const DeviceSettings& settings);
    void refuse(OpenFailure kind, int error, int open = -1)
    {
        why = {kind, error, 0, "", ""};
        if (open >= 0)
            close(open);
    }
    std::string lockedPath; // the device whose lock file goes at close
};

TerminalTransport::TerminalTransport(const std::string& devicePath, const DeviceSettings& settings)
{
    take(devicePath, settings);
}

void TerminalTransport::take(const std::string& devicePath, const DeviceSettings& s)
{
    termios config;
    if (!buildSerialConfig(s.baud, s.parity, s.dataBits, s.stopBits, s.handshake, config))
        return refuse(OpenFailure::Settings, 0);
    // What the path names is asked of the file system: a terminal is a character device.
    struct stat file;
    if (stat(devicePath.c_str(), &file) != 0)
        return refuse(kindOfOpenError(errno), errno);
    if (!S_ISCHR(file.st_mode))
        return refuse(OpenFailure::NotATerminal, ENOTTY);
    int opened = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0)
        return refuse(kindOfOpenError(errno), errno);
    if (!isatty(opened))
        return refuse(OpenFailure::NotATerminal, ENOTTY, opened);
    // One program at a time: the device is taken exclusively, and locks that other programs
    // check tell them it is in use; a device locked by another program is refused.
    int64_t owner = 0;
    std::string lockFile;
    if (!takeDeviceLock(devicePath, owner, lockFile)) {
        close(opened);
        why = {OpenFailure::Locked, 0, owner, lockFile, ""};
        return;
    }
    // A lock that another handle of this process holds stays with that handle.
    auto refuseUnlocking = [&](OpenFailure kind, int error) {
        if (owner != getpid())
            releaseDeviceLock(devicePath);
        refuse(kind, error, opened);
    };
    if (flock(opened, LOCK_EX | LOCK_NB) != 0)
        return refuseUnlocking(OpenFailure::Busy, errno);
    ioctl(opened, TIOCEXCL);
    tcflush(opened, TCIFLUSH);
    // A port whose line settings the driver refused would talk at the wrong speed: not open.
    if (tcsetattr(opened, TCSANOW, &config) != 0)
        return refuseUnlocking(OpenFailure::DriverRefused, errno);
    fd = opened;
    lockedPath = devicePath;
}

// The exclusive use ends with Quirlo's use: left set, it would keep a user who is not root
// from opening the device while another process still holds it open.
TerminalTransport::~TerminalTransport()
{
    if (fd < 0)
        return;
    ioctl(fd, TIOCNXCL);
    releaseDeviceLock(lockedPath);
}

bool TerminalTransport::setLine(SerialLine line, int level)
{
    if (fd < 0)
        return false;
    int bit = line == SerialLine::DTR ? TIOCM_DTR : TIOCM_RTS;
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) < 0)
        return false;
    if (level)
        bits |= bit;
    else
        bits &= ~bit;
    if (ioctl(fd, TIOCMSET, &bits) < 0 || ioctl(fd, TIOCMGET, &bits) < 0)
        return false;
    return ((bits & bit) != 0) == (level != 0);
}

} // namespace

bool buildSerialConfig(int64_t baud, int64_t parity, int64_t dataBits, float stopBits,
                       int64_t handshake, termios& config)
{
    speed_t speed;
    if (!speedOf(baud, speed))
        return false;
    tcflag_t size;
    switch (dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    if (handshake < 0 || handshake > 3)
        return false;

    std::memset(&config, 0, sizeof config);
    config.c_iflag = IGNPAR;
    config.c_cflag = size | CREAD | CLOCAL;
    if (stopBits != 1.0f)
        config.c_cflag |= CSTOPB;
    switch (parity) {
    case 1: config.c_cflag |= PARENB; break;
    case 2: config.c_cflag |= CMSPAR | PARENB | PARODD; break;
    case 3: config.c_cflag |= PARENB | PARODD; break;
    case 4: config.c_cflag |= CMSPAR | PARENB; break;
    default: break;
    }
    if (handshake == 2)
        config.c_cflag |= CRTSCTS;
    if (handshake == 3)
        config.c_iflag |= IXON | IXOFF | IXANY;
    config.c_cc[VEOF] = 4;
    config.c_cc[VMIN] = 1;
    config.c_cc[VTIME] = 0;
    config.c_cc[VSTART] = 17;
    config.c_cc[VSTOP] = 19;
    cfsetispeed(&config, speed);
    cfsetospeed(&config, speed);
    return true;
}

std::unique_ptr<Transport> openTerminal(const std::string& devicePath, const DeviceSettings& settings)
{
    return std::make_unique<TerminalTransport>(devicePath, settings);
}
