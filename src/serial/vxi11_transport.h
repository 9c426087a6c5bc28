// An instrument on the LAN through VXI-11 ("vxi11:HOST", "vxi11:HOST/inst1", a gateway's
// "vxi11:HOST/gpib0,5"), by Debian's liblxi: a link to the instrument's core channel, whose
// calls block, so the port's worker makes them. The answer ends at the message's end.
#pragma once

#include <memory>
#include <string>

#include "serial/port_table.h"
#include "serial/transport.h"

// Connects on the port's worker and tells done from the main context. A time-out makes a new
// link, so the next query starts clean: liblxi offers no device clear.
std::unique_ptr<Transport> connectVxi11(const std::string& host, const std::string& device,
                                        const DeviceSettings& settings, ConnectDone done);
