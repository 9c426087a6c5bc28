// The registry of windows and controls by id, and the few helpers through which handlers read
// and write them. Changes made through these helpers never post events of their own.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>

void registerWindow(int window, GtkWidget* widget);
GtkWidget* windowWidget(int window);
bool windowExists(int window);
bool windowVisible(int window);

void registerControl(int window, int id, GtkWidget* widget);
GtkWidget* controlWidget(int window, int id);
bool controlExists(int window, int id);
bool controlVisible(int window, int id);

void setControlEnabled(int window, int id, bool enabled);
bool controlEnabled(int window, int id);
// State of a toggle or check button; false when the control does not exist.
bool toggleState(int window, int id);
void setToggleState(int window, int id, bool down);
// Text of an entry, label, button, text view or combo box; "" when the control is missing.
std::string controlText(int window, int id);
// The chosen entry of a choice control, -1 when none is chosen or the control is missing.
int chosenIndex(int window, int id);
void setControlText(int window, int id, const std::string& text);
void setControlToolTip(int window, int id, const std::string& text);
// Moves the control inside its fixed container and sizes it; keepValue leaves a value as it is.
// A list inside a scrolled window is sized through that window.
constexpr int keepValue = -1;
void placeControl(int window, int id, int x, int y, int width, int height);

// While one of these lives, the toolkit signals of programmatic changes post no events.
class SilentChange {
public:
    SilentChange();
    ~SilentChange();
    SilentChange(const SilentChange&) = delete;
    SilentChange& operator=(const SilentChange&) = delete;
};
bool changesSilenced();

// What a filter keeps of a text typed or pasted into an entry.
using TextFilter = std::string (*)(std::string_view text);
// Puts what the filter keeps in place of whatever is typed or pasted into the entry.
void filterEntryText(GtkWidget* entry, TextFilter keep);
// Lets only the digits 0-9 into the entry, typed, pasted or set.
void makeDigitsOnly(GtkWidget* entry);

// Connects the widget's signal so that it posts a control event (window, id, type).
void connectControlEvent(GtkWidget* widget, const char* signal, int window, int id, int type);
// Connects a radio option so that it posts a control event when it becomes the chosen one;
// the option released by the same click posts nothing.
void connectChosenEvent(GtkWidget* option, int window, int id);
