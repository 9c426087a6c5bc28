// The one modal dialog for messages, warnings and questions, and the one file chooser. Both
// can be scripted: a responder answers instead of the dialog being shown.
#pragma once

#include <functional>
#include <string>

enum MessageIcon { IconInfo = 0, IconWarning = 1, IconQuestion = 2, IconError = 3 };
// Any buttons code but ButtonsOk gives Yes and No (callers also pass 2 for them).
enum MessageButtons { ButtonsOk = 0, ButtonsYesNo = 1 };
enum MessageResult { ResultClosed = 2, ResultYes = 6, ResultNo = 7 };

struct MessageRequest {
    int parentWindow = 0;
    std::string title;
    std::string text;
    int icon = 0;
    int buttons = 0;
};

// Shows the title in bold, an empty line and the text, modal and transient for the parent;
// returns 6 for OK or Yes, 7 for No, 2 when the dialog was closed without a button.
int messageBox(int parentWindow, const std::string& title, const std::string& text, int icon,
               int buttons);

// The dialog itself, for a responder that still shows some messages.
int showMessageDialog(const MessageRequest& request);

struct FileRequest {
    int parentWindow = 0;
    bool save = false;
    std::string title;
    std::string filter;    // "Name (*.ext)|*.ext", or a bare pattern such as "*.set"
    std::string startPath; // a directory, or a proposed file path for saving
};

// The chosen file's path, or "" when the user cancelled.
std::string fileDialog(int parentWindow, bool save, const std::string& title,
                       const std::string& filter, const std::string& startPath);

// Closes the dialogs that wait for an answer now, as their close button would (result 2, no
// file): Quirlo is ending.
void closeOpenDialogs();

// A responder answers every following dialog instead of showing it; an empty one restores
// the real dialogs.
void setMessageResponder(std::function<int(const MessageRequest&)> responder);
void setFileResponder(std::function<std::string(const FileRequest&)> responder);
