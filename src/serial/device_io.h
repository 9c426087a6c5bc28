// The open devices, addressed by their PortIndex, which is also their handle: each is a
// transport chosen once from the port's address. Everything above this layer reads, writes and
// watches a device through it without knowing the transport. Failures are results of false or
// 0; the layer never shows anything.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port_table.h"
#include "serial/transport.h"

enum class OpenProgress { Open, Failed, Connecting };

// Opens the device that the port's name addresses with the settings. Connecting: the
// connection is made while the loop goes on, and the connect listener is told when it is made
// or refused. Failed: nothing stays open, and deviceOpenFailure tells why.
OpenProgress deviceOpen(int64_t handle, const std::string& name, const DeviceSettings& settings);
// Makes the transport the device of the handle, as deviceOpen does with the one it chose; a
// handle that has a device already refuses it.
OpenProgress deviceAdopt(int64_t handle, std::unique_ptr<Transport> transport);
// Told from the main context when a connect ends, with the handle the port has then.
void setConnectListener(std::function<void(int64_t handle)> listener);
bool deviceConnecting(int64_t handle);
// Gives up every connect under way: each ends as cancelled and its listener call follows.
void cancelConnects();
// Why the last open of a handle failed.
OpenFailureReason deviceOpenFailure(int64_t handle);
bool deviceIsOpen(int64_t handle);
// Whether baud rate, parity, handshake and DTR/RTS mean something for the open device.
bool deviceHasLineSettings(int64_t handle);
// Whether the port of that name has a serial line (not a network or USBTMC port), before it opens.
bool nameHasLineSettings(const std::string& name);
// Said after "Ok" when the device opened, and what its going away means, for the user.
std::string deviceOpenNote(int64_t handle);
std::string deviceLostWhy(int64_t handle);
// Writes all bytes as they are; the count written, less than all on failure, 0 when not open.
int64_t deviceWrite(int64_t handle, std::string_view bytes);
// What the device delivered, at most maxCount bytes; 0 when nothing waits, on failure or when
// not open. Never blocks.
int64_t deviceRead(int64_t handle, char* buffer, int64_t maxCount);
// Delivered bytes wait that nobody read yet.
bool deviceInputWaits(int64_t handle);
// Whether the open device has gone away (unplugged, the other end closed). The handle stays
// open until it is closed.
bool deviceLost(int64_t handle);
// The descriptor of the open device for watching it, -1 when the handle is not open; and the
// poll events that mean its hang-up.
int deviceDescriptor(int64_t handle);
int deviceHangUpEvents(int64_t handle);
// Sets DTR or RTS (level 1 asserted, 0 released); true when the line reads back so.
bool deviceSetLine(int64_t handle, SerialLine line, int level);
// The device's status byte by the port's own means, -1 where it has none.
int deviceStatusByte(int64_t handle);
// The device clear of the port's class (USBTMC); false where it has none or it failed.
bool deviceClears(int64_t handle);
bool deviceClear(int64_t handle);
// Drops what the device sent and nobody read yet.
void deviceDiscardInput(int64_t handle);
// Line error bits counted so far.
int64_t deviceLineErrors(int64_t handle);
// Closes the device, or gives up its connect without telling.
void deviceClose(int64_t handle);
void deviceCloseAll();
// Moves each handle h to newHandleOf[h] and closes those mapped to -1; handles beyond the list
// keep their number.
void deviceRenumber(const std::vector<int64_t>& newHandleOf);
