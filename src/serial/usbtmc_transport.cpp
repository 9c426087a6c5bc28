// An instrument on USB through the kernel's usbtmc driver.
#include "serial/usbtmc_transport.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <glib.h>

#include <algorithm>
#include <cerrno>

#include "serial/descriptor_transport.h"
#include "serial/message_transport.h"

namespace {

class UsbtmcDevice : public MessageDevice {
public:
    UsbtmcDevice(std::string path, const DeviceSettings& settings)
        : path(std::move(path)), timeoutMs(messageTimeoutMs(settings))
    {
    }
    OpenFailureReason open() override;
    int send(const std::string& message) override
    {
        return ::write(device, message.data(), message.size()) < 0 ? errno : 0;
    }
    int receive(std::string& bytes, size_t limit, bool& end) override;
    // The clear empties the device's output too: a late answer never meets the next query.
    bool recover() override
    {
        ioctl(device, USBTMC_IOCTL_CLEAR);
        return true;
    }
    bool clears() const override { return true; }
    void clear() override { ioctl(device, USBTMC_IOCTL_CLEAR); }
    int statusByte() override
    {
        unsigned char status = 0;
        return (capabilities & USBTMC488_CAPABILITY_488_DOT_2) && ioctl(device, USBTMC488_IOCTL_READ_STB, &status) == 0
                   ? status
                   : -1;
    }
    void close() override
    {
        // The front panel works again.
        if (capabilities & USBTMC488_CAPABILITY_GOTO_LOCAL)
            ioctl(device, USBTMC488_IOCTL_GOTO_LOCAL);
        ::close(device);
    }
    std::string openNote() const override
    {
        return " (USBTMC: Baudrate, Datenbits, Parität, Stoppbits, Handshake und DTR/RTS gelten hier nicht)";
    }

private:
    std::string path;
    int timeoutMs;
    int device = -1;
    unsigned char capabilities = 0;
};

OpenFailureReason UsbtmcDevice::open()
{
    device = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (device < 0)
        return {kindOfOpenError(errno), errno, 0, "", ""};
    __u32 timeout = static_cast<__u32>(timeoutMs);
    ioctl(device, USBTMC_IOCTL_SET_TIMEOUT, &timeout);
    if (ioctl(device, USBTMC488_IOCTL_GET_CAPS, &capabilities) < 0)
        capabilities = 0;
    return {};
}

int UsbtmcDevice::receive(std::string& bytes, size_t limit, bool& end)
{
    bytes.resize(limit);
    ssize_t count = ::read(device, bytes.data(), limit);
    if (count < 0) {
        bytes.clear();
        return errno;
    }
    bytes.resize(static_cast<size_t>(count));
    // The message ends with its last transfer's end-of-message bit; a driver that cannot tell
    // it ends a read shorter than asked for there.
    __u8 attributes = 0;
    end = static_cast<size_t>(count) < limit ||
          (ioctl(device, USBTMC_IOCTL_MSG_IN_ATTR, &attributes) == 0 && (attributes & 1) != 0);
    return 0;
}

} // namespace

bool isUsbtmcName(const std::string& name)
{
    return name.size() > 6 && name.compare(0, 6, "usbtmc") == 0 &&
           std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool namesUsbtmc(const std::string& devicePath)
{
    gchar* resolved = realpath(devicePath.c_str(), nullptr);
    std::string path = resolved ? resolved : devicePath;
    free(resolved);
    return isUsbtmcName(path.substr(path.rfind('/') + 1));
}

std::unique_ptr<Transport> openUsbtmc(const std::string& devicePath, const DeviceSettings& settings)
{
    return openMessagePort(std::make_unique<UsbtmcDevice>(devicePath, settings), settings, false, nullptr);
}
