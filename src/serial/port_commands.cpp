// The port commands of the settings window and the program window: the port chosen in the
// settings, and the sixteen indicators that show each port's state.
#include <algorithm>
#include <string>

#include "serial/port_services.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"

namespace {

constexpr int highestIndicator = IdSetPortIndicatorLast - IdSetPortIndicatorFirst;
const char* const openGreen = "#00ff00";
const char* const closedRed = "#ff9696";

} // namespace

void refreshPortIndicators(bool full)
{
    int64_t shown = std::min<int64_t>(highestIndicator + 1, portCount);
    for (int index = 0; index < shown; ++index) {
        const PortEntry& entry = PortTable[index];
        if (entry.configured)
            showIndicator(index, true, entry.isOpen ? openGreen : closedRed, index == currentPort);
        else
            showIndicator(index, true, nullptr, false);
    }
    if (!full)
        return;
    for (int index = static_cast<int>(shown); index <= highestIndicator; ++index)
        showIndicator(index, false, nullptr, false);
    refillPortChoices();
}
