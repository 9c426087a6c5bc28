// The program's directories and scratch file, resolved once at start-up.
#include "app/paths.h"

#include <glib.h>

std::string withTrailingSlash(const std::string& directory)
{
    if (!directory.empty() && directory.back() == '/')
        return directory;
    return directory + "/";
}

std::string currentDir()
{
    gchar* dir = g_get_current_dir();
    std::string result = withTrailingSlash(dir ? dir : ".");
    g_free(dir);
    return result;
}

std::string findProgramDir()
{
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    if (!exe)
        return currentDir();
    gchar* dir = g_path_get_dirname(exe);
    std::string result = withTrailingSlash(dir);
    g_free(dir);
    g_free(exe);
    return result;
}

std::string findHomeDir()
{
    const char* home = g_getenv("HOME");
    if (!home || !*home)
        return currentDir();
    return withTrailingSlash(home);
}
