// An instrument on the LAN through VXI-11, by liblxi.
#include "serial/vxi11_transport.h"

#include <lxi.h>

#include <cerrno>
#include <mutex>

#include "serial/message_transport.h"

namespace {

class Vxi11Device : public MessageDevice {
public:
    Vxi11Device(std::string host, std::string device, const DeviceSettings& settings)
        : host(std::move(host)), device(std::move(device)), timeoutMs(messageTimeoutMs(settings))
    {
    }
    OpenFailureReason open() override
    {
        static std::once_flag started;
        std::call_once(started, [] { lxi_init(); });
        if (connect())
            return {};
        return {OpenFailure::Other, 0, 0, "",
                "keine VXI-11-Verbindung zu " + host + " (" + device + "): kein Gerät, kein VXI-11 oder kein rpcbind dort"};
    }
    int send(const std::string& message) override
    {
        return lxi_send(link, message.data(), static_cast<int>(message.size()), timeoutMs) < 0 ? ECOMM : 0;
    }
    int receive(std::string& bytes, size_t limit, bool& end) override
    {
        bytes.resize(limit);
        int count = lxi_receive(link, bytes.data(), static_cast<int>(limit), timeoutMs);
        if (count < 0) {
            bytes.clear();
            return ETIMEDOUT;
        }
        bytes.resize(static_cast<size_t>(count));
        end = static_cast<size_t>(count) < limit;
        return 0;
    }
    // A new link: what the instrument still had for the old one is not the next answer.
    bool recover() override
    {
        lxi_disconnect(link);
        return connect();
    }
    void close() override { lxi_disconnect(link); }
    std::string openNote() const override
    {
        return " (VXI-11: Baudrate, Datenbits, Parität, Stoppbits, Handshake und DTR/RTS gelten hier nicht)";
    }

private:
    bool connect()
    {
        link = lxi_connect(host.c_str(), 0, device.c_str(), networkConnectMs, VXI11);
        return link >= 0;
    }
    std::string host;
    std::string device;
    int timeoutMs;
    int link = -1;
};

} // namespace

std::unique_ptr<Transport> connectVxi11(const std::string& host, const std::string& device,
                                        const DeviceSettings& settings, ConnectDone done)
{
    return openMessagePort(std::make_unique<Vxi11Device>(host, device, settings), settings, true, std::move(done));
}
