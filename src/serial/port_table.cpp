// The process-wide table of the serial ports.
#include "serial/port_table.h"

#include "serial/port_address.h"

std::vector<PortEntry> PortTable;
int64_t portCount = 0;
PortIndex currentPort = -1;

void createPortTable()
{
    PortTable.assign(3, PortEntry{});
    portCount = 0;
    currentPort = -1;
}

void releasePortBuffers()
{
    for (PortEntry& entry : PortTable)
        std::vector<char>().swap(entry.inBuffer);
}

std::string portDevicePath(const PortEntry& entry)
{
    return portAddressOf(entry.name).devicePath();
}

bool currentPortOpen()
{
    return currentPort >= 0 && currentPort < portCount && currentPort < static_cast<PortIndex>(PortTable.size()) &&
           PortTable[currentPort].isOpen;
}

bool currentPortReadsAtOnce()
{
    return currentPort >= 0 && currentPort < static_cast<PortIndex>(PortTable.size()) &&
           PortTable[currentPort].settings.readAtOnce != 0;
}
