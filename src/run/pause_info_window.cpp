// The pause info window that a PauseOn row opens.
#include "run/pause_info_window.h"

#include <algorithm>

#include "ui/beep.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

namespace {

constexpr int windowWidth = 440;

// Removes every "\a" (any case) and tells whether there was one.
bool takeBeepMarks(std::string& text)
{
    bool found = false;
    for (size_t pos = 0; (pos = text.find('\\', pos)) != std::string::npos;) {
        if (pos + 1 < text.size() && (text[pos + 1] == 'a' || text[pos + 1] == 'A')) {
            text.erase(pos, 2);
            found = true;
        } else {
            ++pos;
        }
    }
    return found;
}

} // namespace

void ShowPauseInfo(const std::string& text, const std::string& buttonLabel)
{
    std::string shown = text;
    if (takeBeepMarks(shown))
        PlayBeep();
    if (GtkWidget* old = windowWidget(WinPauseInfo))
        gtk_widget_destroy(old);

    GtkWidget* window = createWindowFrame(WinPauseInfo);
    GdkColor paper = {0, 0xFFFF, 0xFFFF, 0xDFDF};
    gtk_widget_modify_bg(window, GTK_STATE_NORMAL, &paper);
    GtkWidget* fixed = windowFixed(WinPauseInfo);
    putControl(fixed, WinPauseInfo, 0, quirloImageWidget(37), 10, 10, 32, 32);

    const int labelWidth = windowWidth - 62;
    gchar* markup = g_markup_escape_text(shown.c_str(), -1);
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.0f);
    gtk_widget_set_size_request(label, labelWidth, -1);
    GtkRequisition need;
    gtk_widget_size_request(label, &need);
    const int labelHeight = std::max(32, need.height);
    putControl(fixed, WinPauseInfo, 0, label, 52, 10, labelWidth, labelHeight);

    GtkWidget* button = putButton(fixed, WinPauseInfo, IdPauseInfoButton, buttonLabel.c_str(), 10,
                                  10 + labelHeight + 20, windowWidth - 20, 32, true);
    // Room for the label, the button below it and a margin: 132 pixels for a one-line text.
    gtk_widget_set_size_request(window, windowWidth, labelHeight + 100);
    registerShortcuts(WinPauseInfo);
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(button);
}
