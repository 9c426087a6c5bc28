// Help, the quit question and the unsaved-changes check.
#include "app/quit.h"

#include <gio/gdesktopappinfo.h>
#include <glib.h>

#include <algorithm>
#include <string>

#include "app/shell_state.h"
#include "common/text.h"
#include "lists/list_files.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/windows.h"

int askToQuit()
{
    unsavedChangesCheck(-1);
    return messageBox(WinMain, "Quirlo", "Applikation beenden?", IconQuestion, ButtonsYesNo);
}

namespace {

// The desktop entry that opens PDF files, found once per run.
std::string pdfViewerEntry;

// A plain program name that may be started: no path, no blanks, nothing a shell would read.
bool plainProgramName(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.' || c == '+';
    });
}

// The desktop id of the default PDF application ("org.gnome.Evince.desktop"), "" for none.
std::string defaultPdfEntry()
{
    std::string answer;
    gchar* output = nullptr;
    const gchar* argv[] = {"xdg-mime", "query", "default", "application/pdf", nullptr};
    if (g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                     GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr, &output, nullptr,
                     nullptr, nullptr) &&
        output) {
        for (const gchar* c = output; *c; ++c) {
            if (*c != '\n' && *c != '\r')
                answer += *c;
        }
    }
    g_free(output);
    return answer.find(".desktop") == std::string::npos ? "" : answer;
}

// A program name read from an old-style desktop id ("kde4-okularApplication_pdf.desktop"),
// for a desktop id without a desktop entry.
std::string programOfEntry(const std::string& entry)
{
    std::string name = entry.substr(0, entry.find('.'));
    size_t mime = lowerText(name).find("application_pdf");
    if (mime != std::string::npos)
        name = name.substr(0, mime);
    if (name.rfind("kde4-", 0) == 0)
        name = name.substr(5);
    return plainProgramName(name) ? name : "";
}

bool hasDesktopEntry(const std::string& id)
{
    GDesktopAppInfo* entry = g_desktop_app_info_new(id.c_str());
    if (entry)
        g_object_unref(entry);
    return entry != nullptr;
}

// The PDF application as a desktop id that names an entry or a program; "" for none.
std::string findPdfViewer()
{
    std::string id = defaultPdfEntry();
    return hasDesktopEntry(id) || !programOfEntry(id).empty() ? id : "";
}

void viewerEnded(GPid pid, gint, gpointer)
{
    if (shell.helpViewer == pid)
        shell.helpViewer = 0;
    g_spawn_close_pid(pid);
}

// The process that shows the manual; F1 starts no second one while it lives.
void keepViewer(GPid pid)
{
    shell.helpViewer = pid;
    g_child_watch_add(pid, viewerEnded, nullptr);
}

bool startProgram(const std::string& program, const std::string& file, GPid* pid)
{
    const gchar* argv[] = {program.c_str(), file.c_str(), nullptr};
    GSpawnFlags flags = GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL |
                                    (pid ? G_SPAWN_DO_NOT_REAP_CHILD : 0));
    return g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr, flags, nullptr, nullptr, pid, nullptr);
}

// Starts the desktop entry with the file, as the desktop would; its process becomes the help
// viewer. False when there is no such entry or it does not start.
bool startDesktopEntry(const std::string& id, const std::string& file)
{
    GDesktopAppInfo* entry = g_desktop_app_info_new(id.c_str());
    if (!entry)
        return false;
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    GList* uris = g_list_append(nullptr, uri);
    bool started = g_desktop_app_info_launch_uris_as_manager(
        entry, uris, nullptr, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr,
        [](GDesktopAppInfo*, GPid pid, gpointer) { keepViewer(pid); }, nullptr, nullptr);
    g_list_free_full(uris, g_free);
    g_object_unref(entry);
    return started && shell.helpViewer != 0;
}

} // namespace

void openHelp()
{
    if (pdfViewerEntry.empty())
        pdfViewerEntry = findPdfViewer();
    if (pdfViewerEntry.empty()) {
        messageBox(WinMain, "Quirlo", "Keine Standard-Applikation für pdf gefunden!", IconWarning, ButtonsOk);
        return;
    }
    std::string manual = shell.programDir + "Quirlo.pdf";
    // One viewer at a time: F1 again leaves the one that shows the manual.
    if (shell.helpViewer != 0)
        return;
    if (startDesktopEntry(pdfViewerEntry, manual))
        return;
    GPid pid = 0;
    std::string program = programOfEntry(pdfViewerEntry);
    if (!program.empty() && startProgram(program, manual, &pid)) {
        keepViewer(pid);
        return;
    }
    messageBox(WinMain, "Quirlo",
               "Quirlo.pdf konnte nicht direkt geöffnet werden!\nDas indirekte Öffnen wird versucht.\nAndernfalls bitte "
               "manuell im Programmhauptverzeichnis öffnen.",
               IconInfo, ButtonsOk);
    if (!startProgram("xdg-open", manual, nullptr) && !startProgram("gnome-open", manual, nullptr))
        pdfViewerEntry.clear();
}
