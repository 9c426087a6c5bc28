// Quirlo.ini, the auto-load choices and the program beep; built with the settings file.
#include "app/settings_ini.h"

void loadIniFile() {}
void saveIniFile() {}
void chooseAutoLoadFile(int) {}
void enableAutoLoadRow(int) {}
void PlayBeep() {}

bool savedWindowVisible(int)
{
    return false;
}
