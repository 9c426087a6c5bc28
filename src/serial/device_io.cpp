// The open devices and the one place where a port's address chooses its transport.
#include "serial/device_io.h"

#include <map>
#include <memory>
#include <utility>

#include <glib.h>

#include "serial/port_address.h"
#include "serial/tcp_transport.h"
#include "serial/terminal_transport.h"
#include "serial/usbtmc_transport.h"
#include "serial/vxi11_transport.h"

namespace {

// Handle to its transport, open or connecting; an absent handle is a closed port.
std::map<int64_t, std::unique_ptr<Transport>> devices;
std::map<int64_t, OpenFailureReason> openFailures;
std::function<void(int64_t)> connectListener;

void connectEnded(Transport* transport)
{
    for (auto found = devices.begin(); found != devices.end(); ++found) {
        if (found->second.get() != transport)
            continue;
        int64_t handle = found->first;
        if (transport->state() == Transport::State::Failed) {
            openFailures[handle] = transport->failure();
            devices.erase(found);
        }
        if (connectListener)
            connectListener(handle);
        return;
    }
}

// A new transport is one more line here.
std::unique_ptr<Transport> transportFor(const std::string& name, const DeviceSettings& settings)
{
    PortAddress address = portAddressOf(name);
    switch (address.kind) {
    case PortAddress::Kind::Network: return connectTcp(address.host, address.port, connectEnded);
    case PortAddress::Kind::Vxi11: return connectVxi11(address.host, address.instrument, settings, connectEnded);
    case PortAddress::Kind::Device:
    case PortAddress::Kind::Path: break;
    }
    if (namesUsbtmc(address.devicePath()))
        return openUsbtmc(address.devicePath(), settings);
    return openTerminal(address.devicePath(), settings);
}

Transport* deviceOf(int64_t handle)
{
    auto found = devices.find(handle);
    return found == devices.end() ? nullptr : found->second.get();
}

// The open device of the handle; none while it connects.
Transport* openDevice(int64_t handle)
{
    Transport* transport = deviceOf(handle);
    return transport && transport->state() == Transport::State::Open ? transport : nullptr;
}

} // namespace

namespace {

// A handle holds one device: another is refused before it is opened.
bool refusedAsTaken(int64_t handle)
{
    if (!deviceOf(handle))
        return false;
    openFailures[handle] = {OpenFailure::AlreadyOpen, 0, 0, "", ""};
    return true;
}

} // namespace

OpenProgress deviceOpen(int64_t handle, const std::string& name, const DeviceSettings& settings)
{
    return refusedAsTaken(handle) ? OpenProgress::Failed : deviceAdopt(handle, transportFor(name, settings));
}

OpenProgress deviceAdopt(int64_t handle, std::unique_ptr<Transport> transport)
{
    if (refusedAsTaken(handle))
        return OpenProgress::Failed;
    switch (transport->state()) {
    case Transport::State::Failed: openFailures[handle] = transport->failure(); return OpenProgress::Failed;
    case Transport::State::Connecting: devices[handle] = std::move(transport); return OpenProgress::Connecting;
    case Transport::State::Open: break;
    }
    devices[handle] = std::move(transport);
    openFailures.erase(handle);
    return OpenProgress::Open;
}

void setConnectListener(std::function<void(int64_t handle)> listener)
{
    connectListener = std::move(listener);
}

bool deviceConnecting(int64_t handle)
{
    Transport* transport = deviceOf(handle);
    return transport && transport->state() == Transport::State::Connecting;
}

void cancelConnects()
{
    std::vector<int64_t> connecting;
    for (const auto& [handle, transport] : devices) {
        if (transport->state() == Transport::State::Connecting)
            connecting.push_back(handle);
    }
    for (int64_t handle : connecting) {
        devices.erase(handle);
        openFailures[handle] = {OpenFailure::Cancelled, 0, 0, "", ""};
        if (connectListener)
            connectListener(handle);
    }
}

OpenFailureReason deviceOpenFailure(int64_t handle)
{
    auto found = openFailures.find(handle);
    return found == openFailures.end() || deviceIsOpen(handle) ? OpenFailureReason{} : found->second;
}

std::string openFailureText(const OpenFailureReason& reason)
{
    switch (reason.kind) {
    case OpenFailure::None: return "";
    case OpenFailure::Settings: return "Baudrate, Datenbits oder Handshake werden nicht unterstützt";
    case OpenFailure::AlreadyOpen: return "Port ist bereits geöffnet";
    case OpenFailure::Access: return "Zugriff verweigert (keine Rechte am Gerät)";
    case OpenFailure::Missing: return "Gerät nicht vorhanden";
    case OpenFailure::Busy: return "Gerät belegt: ein weiteres Programm hat den Port geöffnet";
    case OpenFailure::NotATerminal: return "kein serielles Gerät";
    case OpenFailure::DriverRefused: return "Baudrate oder Leitungseinstellungen vom Treiber abgelehnt";
    case OpenFailure::Locked:
        return "Gerät belegt: Prozess " + std::to_string(reason.lockOwner) + " hält die Sperrdatei " +
               reason.lockFile;
    case OpenFailure::Refused: return "Verbindung abgelehnt: dort nimmt niemand Verbindungen an";
    case OpenFailure::Unreachable: return "Rechner nicht erreichbar";
    case OpenFailure::UnknownHost: return "Unbekannter Rechner";
    case OpenFailure::TimedOut:
        return "Zeitüberschreitung: keine Verbindung nach " + std::to_string(networkConnectMs / 1000) + " s";
    case OpenFailure::Cancelled: return "Verbindungsaufbau abgebrochen";
    case OpenFailure::Other: break;
    }
    if (!reason.detail.empty())
        return "Systemfehler: " + reason.detail;
    return std::string("Systemfehler: ") + g_strerror(reason.error);
}

bool deviceIsOpen(int64_t handle)
{
    return openDevice(handle) != nullptr;
}

bool deviceHasLineSettings(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport && transport->lineSettings();
}

std::string deviceOpenNote(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->openNote() : "";
}

std::string deviceLostWhy(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->lostWhy() : "";
}

int64_t deviceWrite(int64_t handle, std::string_view bytes)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->write(bytes) : 0;
}

int64_t deviceRead(int64_t handle, char* buffer, int64_t maxCount)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->read(buffer, maxCount) : 0;
}

bool deviceInputWaits(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport && transport->inputWaits();
}

bool deviceLost(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport && transport->lost();
}

int deviceDescriptor(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->descriptor() : -1;
}

int deviceHangUpEvents(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->hangUpEvents() : 0;
}

bool deviceClears(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport && transport->clearsDevice();
}

bool deviceClear(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport && transport->clearDevice();
}

int deviceStatusByte(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->statusByte() : -1;
}

bool deviceSetLine(int64_t handle, SerialLine line, int level)
{
    Transport* transport = openDevice(handle);
    return transport && transport->setLine(line, level);
}

void deviceDiscardInput(int64_t handle)
{
    if (Transport* transport = openDevice(handle))
        transport->discardInput();
}

int64_t deviceLineErrors(int64_t handle)
{
    Transport* transport = openDevice(handle);
    return transport ? transport->lineErrors() : 0;
}

void deviceClose(int64_t handle)
{
    devices.erase(handle);
}

void deviceCloseAll()
{
    devices.clear();
}

void deviceRenumber(const std::vector<int64_t>& newHandleOf)
{
    std::map<int64_t, std::unique_ptr<Transport>> moved;
    for (auto& [handle, transport] : devices) {
        bool mapped = handle >= 0 && handle < static_cast<int64_t>(newHandleOf.size());
        int64_t to = mapped ? newHandleOf[static_cast<size_t>(handle)] : handle;
        if (to >= 0)
            moved[to] = std::move(transport);
    }
    devices = std::move(moved);
}

bool nameHasLineSettings(const std::string& name)
{
    PortAddress address = portAddressOf(name);
    return address.lineSettings() && !namesUsbtmc(address.devicePath());
}
