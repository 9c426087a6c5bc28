// The program beep; built with the settings file and its page "Applikation".
#include "ui/beep.h"

void PlayBeep() {}
