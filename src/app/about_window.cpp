// The about window.
#include "app/about_window.h"

#include "app/ids.h"
#include "app/windows.h"

void createAboutWindow()
{
    createWindowFrame(WinAbout);
}
