// Device settings files and port commands: the main loop's call sites, filled in as those
// are built.
#include "serial/port_services.h"

void applyPortSettings() {}
void togglePort(int64_t) {}
void portIndicatorClicked(int) {}
