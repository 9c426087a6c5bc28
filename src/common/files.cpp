// Whole-file reading and crash-safe writing.
#include "common/files.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include "common/text.h"

std::string notSavedText(const std::string& path, const std::string& reason)
{
    return "Datei konnte nicht gespeichert werden!\n" + path + (reason.empty() ? "" : "\n" + reason);
}

bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* reason)
{
    GError* error = nullptr;
    gboolean ok = g_file_set_contents(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()), &error);
    if (error) {
        if (reason)
            *reason = error->message;
        g_error_free(error);
    }
    return ok;
}

bool hasExtension(const std::string& path, const char* extension)
{
    std::string_view wanted(extension);
    return path.size() >= wanted.size() && lowerText(std::string_view(path).substr(path.size() - wanted.size())) == wanted;
}

bool readWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    // A FIFO would block the window until someone writes into it, a device such as /dev/zero
    // never ends, and a file beyond any list's size would take the memory.
    GStatBuf info;
    if (g_stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > largestReadFile)
        return false;
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr))
        return false;
    bytes.assign(contents, length);
    g_free(contents);
    return true;
}

bool fileExists(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR);
}

std::string fileName(const std::string& path)
{
    gchar* name = g_path_get_basename(path.c_str());
    std::string result(name);
    g_free(name);
    return result;
}

std::string directoryOf(const std::string& path)
{
    gchar* dir = g_path_get_dirname(path.c_str());
    std::string result(dir);
    g_free(dir);
    return result + (result.back() == '/' ? "" : "/");
}
