// A serial device through termios: a terminal under /dev or any path naming one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <termios.h>

#include "serial/port_table.h"
#include "serial/transport.h"

// Builds the whole terminal configuration from zero for the given codes (parity: 0 none,
// 1 even, 2 mark, 3 odd, 4 space, other values none; handshake: 0 none, 1 RTS, 2 RTS/CTS,
// 3 Xon/Xoff). Returns false for a baud rate, data-bit count or handshake it cannot map.
bool buildSerialConfig(int64_t baud, int64_t parity, int64_t dataBits, float stopBits,
                       int64_t handshake, termios& config);

// Opens and configures the device with the settings' line codes, exclusively and with a UUCP
// lock file while it is open. The result has failed when the codes are not accepted, the path
// is no terminal, or another program holds the device or its lock; nothing stays open then.
std::unique_ptr<Transport> openTerminal(const std::string& devicePath, const DeviceSettings& settings);
