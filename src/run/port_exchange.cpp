// The exchange with the current port, shared by the runner and the direct input.
#include "run/port_exchange.h"

#include <algorithm>

#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "serial/device_io.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/timers.h"

void showPortNotOpen(int window)
{
    messageBox(window, "Quirlo", "Gewählter COM-Port ist nicht geöffnet!", IconWarning, ButtonsOk);
}

void exchangeWithCurrentPort(const std::function<void(Exchange&)>& step)
{
    DeviceExchangePort io(currentPort);
    Exchange exchange{io,
                      PortTable[currentPort],
                      protocol.protocolMode,
                      {controlText(WinSettings, IdSetErrGetSesr), controlText(WinSettings, IdSetErrGetCmd),
                       controlText(WinSettings, IdSetErrQueryClear)},
                      protocolOut};
    step(exchange);
}

void startCurrentExchange(PendingExchange& pending, void (*atOnce)(Exchange&, PendingExchange&, const std::string&),
                          void (*withFixedWaits)(Exchange&, const std::string&), const std::string& text)
{
    exchangeWithCurrentPort([&](Exchange& exchange) { startExchange(exchange, pending, atOnce, withFixedWaits, text); });
}

void waitForDevice(int window, int timer, const PendingExchange& pending)
{
    int64_t left = pending.wait->deadline() - DeviceExchangePort(currentPort).nowMs();
    int descriptor = deviceLost(currentPort) ? -1 : deviceDescriptor(currentPort);
    addTimerOrInput(window, timer, static_cast<int>(std::clamp<int64_t>(left, 1, 600000)), descriptor);
}
