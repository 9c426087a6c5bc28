// The registry of windows and controls by id, and the helpers that read and write them.
#include "ui/controls.h"

#include <array>
#include <cstring>
#include <map>
#include <utility>

#include "ui/events.h"
#include "ui/ids.h"

namespace {

std::array<GtkWidget*, WindowCount> windows{};
std::map<std::pair<int, int>, GtkWidget*> controls;
int silenceDepth = 0;

void forgetWindow(GtkWidget* widget, gpointer data)
{
    int window = GPOINTER_TO_INT(data);
    if (windows[window] != widget)
        return;
    windows[window] = nullptr;
    std::erase_if(controls, [window](const auto& entry) { return entry.first.first == window; });
}

struct ControlSignal {
    int window;
    int id;
    int type;
};

void postControlSignal(ControlSignal* signal)
{
    if (!changesSilenced())
        postEvent(EvControl, signal->window, signal->id, signal->type);
}

void postWhenChosen(GtkToggleButton* option, ControlSignal* signal)
{
    if (gtk_toggle_button_get_active(option))
        postControlSignal(signal);
}

void freeControlSignal(gpointer data, GClosure*)
{
    delete static_cast<ControlSignal*>(data);
}

} // namespace

void registerWindow(int window, GtkWidget* widget)
{
    windows[window] = widget;
    g_signal_connect(widget, "destroy", G_CALLBACK(forgetWindow), GINT_TO_POINTER(window));
}

GtkWidget* windowWidget(int window)
{
    return window >= 0 && window < WindowCount ? windows[window] : nullptr;
}

bool windowExists(int window)
{
    return windowWidget(window) != nullptr;
}

bool windowVisible(int window)
{
    GtkWidget* widget = windowWidget(window);
    return widget && GTK_WIDGET_VISIBLE(widget);
}

void registerControl(int window, int id, GtkWidget* widget)
{
    controls[{window, id}] = widget;
}

GtkWidget* controlWidget(int window, int id)
{
    auto found = controls.find({window, id});
    return found == controls.end() ? nullptr : found->second;
}

bool controlExists(int window, int id)
{
    return controlWidget(window, id) != nullptr;
}

bool controlVisible(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    return widget && GTK_WIDGET_VISIBLE(widget);
}

void setControlEnabled(int window, int id, bool enabled)
{
    if (GtkWidget* widget = controlWidget(window, id))
        gtk_widget_set_sensitive(widget, enabled);
}

bool controlEnabled(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    return widget && GTK_WIDGET_SENSITIVE(widget);
}

bool toggleState(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    if (widget && GTK_IS_TOGGLE_TOOL_BUTTON(widget))
        return gtk_toggle_tool_button_get_active(GTK_TOGGLE_TOOL_BUTTON(widget));
    if (widget && GTK_IS_TOGGLE_BUTTON(widget))
        return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
    return false;
}

void setToggleState(int window, int id, bool down)
{
    GtkWidget* widget = controlWidget(window, id);
    SilentChange silent;
    if (widget && GTK_IS_TOGGLE_TOOL_BUTTON(widget))
        gtk_toggle_tool_button_set_active(GTK_TOGGLE_TOOL_BUTTON(widget), down);
    else if (widget && GTK_IS_TOGGLE_BUTTON(widget))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), down);
}

int chosenIndex(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    return widget && GTK_IS_COMBO_BOX(widget) ? gtk_combo_box_get_active(GTK_COMBO_BOX(widget)) : -1;
}

std::string controlText(int window, int id)
{
    GtkWidget* widget = controlWidget(window, id);
    if (!widget)
        return "";
    if (GTK_IS_ENTRY(widget))
        return gtk_entry_get_text(GTK_ENTRY(widget));
    if (GTK_IS_LABEL(widget))
        return gtk_label_get_text(GTK_LABEL(widget));
    if (GTK_IS_BUTTON(widget)) {
        const gchar* label = gtk_button_get_label(GTK_BUTTON(widget));
        return label ? label : "";
    }
    if (GTK_IS_TEXT_VIEW(widget)) {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget));
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(buffer, &start, &end);
        gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
        std::string result(text);
        g_free(text);
        return result;
    }
    if (GTK_IS_COMBO_BOX(widget)) {
        gchar* text = gtk_combo_box_get_active_text(GTK_COMBO_BOX(widget));
        std::string result(text ? text : "");
        g_free(text);
        return result;
    }
    return "";
}

void setControlText(int window, int id, const std::string& text)
{
    GtkWidget* widget = controlWidget(window, id);
    if (!widget)
        return;
    SilentChange silent;
    if (GTK_IS_ENTRY(widget))
        gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
    else if (GTK_IS_LABEL(widget))
        gtk_label_set_text(GTK_LABEL(widget), text.c_str());
    else if (GTK_IS_BUTTON(widget))
        gtk_button_set_label(GTK_BUTTON(widget), text.c_str());
    else if (GTK_IS_TEXT_VIEW(widget))
        gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget)), text.c_str(), -1);
}

void setControlToolTip(int window, int id, const std::string& text)
{
    if (GtkWidget* widget = controlWidget(window, id))
        gtk_widget_set_tooltip_text(widget, text.c_str());
}

void placeControl(int window, int id, int x, int y, int width, int height)
{
    GtkWidget* widget = controlWidget(window, id);
    if (!widget)
        return;
    GtkWidget* parent = gtk_widget_get_parent(widget);
    if (parent && GTK_IS_SCROLLED_WINDOW(parent)) {
        widget = parent;
        parent = gtk_widget_get_parent(widget);
    }
    if (width != keepValue || height != keepValue) {
        int currentWidth, currentHeight;
        gtk_widget_get_size_request(widget, &currentWidth, &currentHeight);
        gtk_widget_set_size_request(widget, width == keepValue ? currentWidth : width,
                                    height == keepValue ? currentHeight : height);
    }
    if ((x != keepValue || y != keepValue) && parent && GTK_IS_FIXED(parent)) {
        GValue value = G_VALUE_INIT;
        g_value_init(&value, G_TYPE_INT);
        gtk_container_child_get_property(GTK_CONTAINER(parent), widget, "x", &value);
        int currentX = g_value_get_int(&value);
        gtk_container_child_get_property(GTK_CONTAINER(parent), widget, "y", &value);
        int currentY = g_value_get_int(&value);
        g_value_unset(&value);
        gtk_fixed_move(GTK_FIXED(parent), widget, x == keepValue ? currentX : x,
                       y == keepValue ? currentY : y);
    }
}

SilentChange::SilentChange()
{
    ++silenceDepth;
}

SilentChange::~SilentChange()
{
    --silenceDepth;
}

bool changesSilenced()
{
    return silenceDepth > 0;
}

namespace {

void onFilteredInsert(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer filter)
{
    std::string_view given(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
    std::string kept = reinterpret_cast<TextFilter>(filter)(given);
    if (kept == given)
        return;
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onFilteredInsert), filter);
    gtk_editable_insert_text(editable, kept.c_str(), static_cast<gint>(kept.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onFilteredInsert), filter);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

std::string digitsOf(std::string_view text)
{
    std::string digits;
    for (char c : text) {
        if (g_ascii_isdigit(c))
            digits += c;
    }
    return digits;
}

} // namespace

void filterEntryText(GtkWidget* entry, TextFilter keep)
{
    g_signal_connect(entry, "insert-text", G_CALLBACK(onFilteredInsert), reinterpret_cast<gpointer>(keep));
}

void makeDigitsOnly(GtkWidget* entry)
{
    filterEntryText(entry, digitsOf);
}

void connectControlEvent(GtkWidget* widget, const char* signal, int window, int id, int type)
{
    g_signal_connect_data(widget, signal, G_CALLBACK(postControlSignal),
                          new ControlSignal{window, id, type}, freeControlSignal,
                          G_CONNECT_SWAPPED);
}

void connectChosenEvent(GtkWidget* option, int window, int id)
{
    g_signal_connect_data(option, "toggled", G_CALLBACK(postWhenChosen), new ControlSignal{window, id, CtlPlain},
                          freeControlSignal, GConnectFlags(0));
}
