// The one modal dialog for messages, warnings and questions, and the one file chooser.
#include "ui/message_dialog.h"

#include <vector>

#include "ui/controls.h"
#include "ui/redraws.h"

namespace {

std::function<int(const MessageRequest&)> messageResponder;
std::function<std::string(const FileRequest&)> fileResponder;

GtkWindow* parentOf(int window)
{
    GtkWidget* widget = windowWidget(window);
    return widget ? GTK_WINDOW(widget) : nullptr;
}

GtkMessageType messageType(int icon)
{
    switch (icon) {
    case IconWarning: return GTK_MESSAGE_WARNING;
    case IconQuestion: return GTK_MESSAGE_QUESTION;
    case IconError: return GTK_MESSAGE_ERROR;
    default: return GTK_MESSAGE_INFO;
    }
}

std::string escaped(const std::string& text)
{
    gchar* markup = g_markup_escape_text(text.c_str(), -1);
    std::string result(markup);
    g_free(markup);
    return result;
}

// The dialogs whose modal loop runs now, the innermost last.
std::vector<GtkWidget*> runningDialogs;

// A button of Quirlo's own German words, whatever the system's language, with the toolkit's
// picture for it.
void addButton(GtkWidget* dialog, const char* label, const char* stock, int response)
{
    GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), label, response);
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON));
}

int runDialog(GtkWidget* dialog)
{
    runningDialogs.push_back(dialog);
    // A run waits for the answer: its windows draw as usual meanwhile, and no frame timer wakes
    // the waiting Quirlo.
    PausedFramedRedraws paused;
    int response = gtk_dialog_run(GTK_DIALOG(dialog));
    runningDialogs.pop_back();
    return response;
}

} // namespace

int messageBox(int parentWindow, const std::string& title, const std::string& text, int icon,
               int buttons)
{
    MessageRequest request{parentWindow, title, text, icon, buttons};
    return messageResponder ? messageResponder(request) : showMessageDialog(request);
}

int showMessageDialog(const MessageRequest& request)
{
    bool yesNo = request.buttons != ButtonsOk;
    GtkWidget* dialog = gtk_message_dialog_new(
        parentOf(request.parentWindow), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        messageType(request.icon), GTK_BUTTONS_NONE, nullptr);
    if (yesNo) {
        addButton(dialog, "_Nein", GTK_STOCK_NO, GTK_RESPONSE_NO);
        addButton(dialog, "_Ja", GTK_STOCK_YES, GTK_RESPONSE_YES);
    } else {
        addButton(dialog, "_OK", GTK_STOCK_OK, GTK_RESPONSE_OK);
    }
    // Texts come from files and devices too: escaped, so that "<" or "&" show as they are.
    std::string markup = "<b>" + escaped(request.title) + "</b>\n\n" + escaped(request.text);
    gtk_message_dialog_set_markup(GTK_MESSAGE_DIALOG(dialog), markup.c_str());
    if (yesNo)
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    int response = runDialog(dialog);
    gtk_widget_destroy(dialog);
    switch (response) {
    case GTK_RESPONSE_OK:
    case GTK_RESPONSE_YES: return ResultYes;
    case GTK_RESPONSE_NO: return ResultNo;
    default: return ResultClosed;
    }
}

std::string fileDialog(int parentWindow, bool save, const std::string& title,
                       const std::string& filter, const std::string& startPath)
{
    if (fileResponder)
        return fileResponder({parentWindow, save, title, filter, startPath});

    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title.c_str(), parentOf(parentWindow), save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        nullptr, nullptr);
    addButton(dialog, "_Abbrechen", GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL);
    if (save)
        addButton(dialog, "_Speichern", GTK_STOCK_SAVE, GTK_RESPONSE_ACCEPT);
    else
        addButton(dialog, "_Öffnen", GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    // Quirlo asks before it replaces a file, in German; a second question would repeat it.
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), FALSE);

    size_t bar = filter.find('|');
    std::string name = bar == std::string::npos ? filter : filter.substr(0, bar);
    std::string pattern = bar == std::string::npos ? filter : filter.substr(bar + 1);
    if (!pattern.empty()) {
        GtkFileFilter* fileFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(fileFilter, name.c_str());
        gtk_file_filter_add_pattern(fileFilter, pattern.c_str());
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), fileFilter);
    }
    if (g_file_test(startPath.c_str(), G_FILE_TEST_IS_DIR)) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), startPath.c_str());
    } else if (!startPath.empty()) {
        gchar* dir = g_path_get_dirname(startPath.c_str());
        gchar* base = g_path_get_basename(startPath.c_str());
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), dir);
        if (save)
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), base);
        g_free(base);
        g_free(dir);
    }

    std::string chosen;
    if (runDialog(dialog) == GTK_RESPONSE_ACCEPT) {
        gchar* file = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        chosen = file ? file : "";
        g_free(file);
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

void closeOpenDialogs()
{
    for (GtkWidget* dialog : runningDialogs)
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
}

void setMessageResponder(std::function<int(const MessageRequest&)> responder)
{
    messageResponder = std::move(responder);
}

void setFileResponder(std::function<std::string(const FileRequest&)> responder)
{
    fileResponder = std::move(responder);
}
