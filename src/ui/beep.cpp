// The program beep: the external program "beep" as the "Programm-Beeps:" choice says.
#include "ui/beep.h"

#include <gtk/gtk.h>

#include "ui/controls.h"
#include "ui/ids.h"

void PlayBeep()
{
    int kind = controlExists(WinSettings, IdSetGlobalBeeps) ? chosenIndex(WinSettings, IdSetGlobalBeeps) : 3;
    const gchar* standard[] = {"beep", nullptr};
    const gchar* shortBeep[] = {"beep", "-f", "440", "-l", "60", nullptr};
    const gchar* click[] = {"beep", "-f", "261", "-l", "20", nullptr};
    const gchar* const* argv = kind == 1 ? standard : kind == 2 ? shortBeep : kind == 3 ? click : nullptr;
    // Not waited for; a missing "beep" is silence.
    if (argv)
        g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                      nullptr, nullptr, nullptr);
}
