// An instrument on USB through the kernel's usbtmc driver: /dev/usbtmcN, or a link to one (a
// udev rule's name). A write is one message; the driver's read blocks until the device's answer
// message has come or its time-out is over, so the port is a message port, whose worker talks
// to the driver.
#pragma once

#include <memory>
#include <string>

#include "serial/port_table.h"
#include "serial/transport.h"

// A usbtmc device's file name: "usbtmc" and its number.
bool isUsbtmcName(const std::string& name);
// The device file the path names, or the one its link leads to, is a usbtmc device.
bool namesUsbtmc(const std::string& devicePath);

// Opens the device with the driver's time-out from the settings' waits (messageTimeoutMs). A
// line that holds "?" is a query: the device's answer is read after it; after a time-out the
// driver clears the transfer, so the next query starts clean. At close the instrument goes back
// to local, so that its front panel works again.
std::unique_ptr<Transport> openUsbtmc(const std::string& devicePath, const DeviceSettings& settings);
