// Help, the quit question and the unsaved-changes check.
#include "app/quit.h"

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

// The program that opens PDF files, found once per run.
std::string pdfViewerName;

// A plain program name that may be started: no path, no blanks, nothing a shell would read.
bool plainProgramName(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.' || c == '+';
    });
}

std::string findPdfViewer()
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
    if (answer.find(".desktop") == std::string::npos)
        return "";
    std::string name = answer.substr(0, answer.find('.'));
    size_t mime = lowerText(name).find("application_pdf");
    if (mime != std::string::npos)
        name = name.substr(0, mime);
    if (name.rfind("kde4-", 0) == 0)
        name = name.substr(5);
    return plainProgramName(name) ? name : "";
}

void viewerEnded(GPid pid, gint, gpointer)
{
    if (shell.helpViewer == pid)
        shell.helpViewer = 0;
    g_spawn_close_pid(pid);
}

bool startProgram(const std::string& program, const std::string& file, GPid* pid)
{
    const gchar* argv[] = {program.c_str(), file.c_str(), nullptr};
    GSpawnFlags flags = GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL |
                                    (pid ? G_SPAWN_DO_NOT_REAP_CHILD : 0));
    return g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr, flags, nullptr, nullptr, pid, nullptr);
}

} // namespace

void openHelp()
{
    if (pdfViewerName.empty())
        pdfViewerName = findPdfViewer();
    if (pdfViewerName.empty()) {
        messageBox(WinMain, "Quirlo", "Keine Standard-Applikation für pdf gefunden!", IconWarning, ButtonsOk);
        return;
    }
    std::string manual = shell.programDir + "Quirlo.pdf";
    if (shell.helpViewer == 0) {
        GPid pid = 0;
        if (startProgram(pdfViewerName, manual, &pid)) {
            shell.helpViewer = pid;
            g_child_watch_add(pid, viewerEnded, nullptr);
        }
    }
    if (shell.helpViewer != 0)
        return;
    messageBox(WinMain, "Quirlo",
               "Quirlo.pdf konnte nicht direkt geöffnet werden!\nDas indirekte Öffnen wird versucht.\nAndernfalls bitte "
               "manuell im Programmhauptverzeichnis öffnen.",
               IconInfo, ButtonsOk);
    if (!startProgram("xdg-open", manual, nullptr) && !startProgram("gnome-open", manual, nullptr))
        pdfViewerName.clear();
}
