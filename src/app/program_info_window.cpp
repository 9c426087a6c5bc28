// The program info editor: the program's info text, one line per tab-separated part.
#include "app/program_info_window.h"

#include <string>

#include "lists/list_files.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

void createProgramInfoWindow()
{
    createWindowFrame(WinProgramInfo);
    GtkWidget* fixed = windowFixed(WinProgramInfo);

    GtkWidget* editor = gtk_text_view_new();
    // A tab separates the lines of the info text: the Tab key moves on instead.
    gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(editor), FALSE);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scrolled), editor);
    putControl(fixed, WinProgramInfo, 0, scrolled, 5, 5, 445, 155);
    registerControl(WinProgramInfo, IdInfoEditor, editor);

    GtkWidget* lineCount = gtk_label_new("");
    gtk_misc_set_alignment(GTK_MISC(lineCount), 0.0f, 0.5f);
    putControl(fixed, WinProgramInfo, IdInfoLineCount, lineCount, 5, 163, 200, 22);
    putButton(fixed, WinProgramInfo, IdInfoTakeOver, "Übernehmen", 335, 163, 115, 28, true);
    registerShortcuts(WinProgramInfo);
}

void relayoutProgramInfoWindow()
{
    auto [W, H] = innerSize(WinProgramInfo);
    placeControl(WinProgramInfo, IdInfoEditor, keepValue, keepValue, W - 10, H - 40);
    placeControl(WinProgramInfo, IdInfoLineCount, keepValue, H - 32, keepValue, keepValue);
    placeControl(WinProgramInfo, IdInfoTakeOver, W - 120, H - 32, keepValue, keepValue);
}

void showProgramInfo()
{
    showOrToggleWindow(WinProgramInfo);
    std::string lines = programInfo;
    for (char& c : lines) {
        if (c == '\t')
            c = '\n';
    }
    setControlText(WinProgramInfo, IdInfoEditor, lines);
    setControlText(WinProgramInfo, IdInfoLineCount,
                   "Programmzeilen: " + std::to_string(rowCount(WinProgram, IdPrgList)));
}

void takeOverProgramInfo()
{
    std::string text = controlText(WinProgramInfo, IdInfoEditor);
    // The lines joined by tabs, without a trailing tab for a final line break.
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    // A pasted tab would split its line when the editor opens again.
    for (char& c : text) {
        if (c == '\t')
            c = ' ';
        else if (c == '\n')
            c = '\t';
    }
    programInfo = text;
    showOrToggleWindow(WinProgramInfo);
}
