// Quirlo.ini and the auto-load choices; built with the settings file.
#include "app/settings_ini.h"

void loadIniFile() {}
void saveIniFile() {}
void chooseAutoLoadFile(int) {}
void enableAutoLoadRow(int) {}

bool savedWindowVisible(int)
{
    return false;
}
