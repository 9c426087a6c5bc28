// Quirlo's windows: catalogue, creation, showing and hiding, and the main window.
#include "ui/windows.h"

#include <array>
#include <string>

#include "common/text.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"

namespace {

enum WindowKind {
    Fixed = 1,       // the user cannot resize it
    Resizable = 2,
    Utility = 4,     // a tool window
    KeepAbove = 8,
    ChildOfMain = 16,
    Centred = 32
};

struct WindowSpec {
    const char* title;
    int x, y, width, height;
    int kind;
    int minWidth, minHeight, maxWidth; // for resizable windows; 0 = none
    int background;                    // built-in picture behind the controls, -1 = none
};

const std::array<WindowSpec, WindowCount> catalogue = {{
    {"Quirlo", 0, 0, 170, 190, Fixed, 0, 0, 0, -1},
    {"Quirlo - Gerätekommandoliste", 10, 10, 615, 510, Resizable | ChildOfMain, 615, 400, 1024, 43},
    {"Quirlo - Programm", 100, 32, 640, 482, Resizable | ChildOfMain, 640, 400, 1280, 42},
    {"Quirlo - Einstellungen", 200, 400, 560, 496, Fixed | ChildOfMain, 0, 0, 0, -1},
    {"Quirlo - Protokoll", 500, 50, 500, 246, Resizable | Utility | ChildOfMain, 500, 246, 0, 41},
    {"Quirlo - about", 0, 0, 320, 210, Fixed | Utility | KeepAbove | ChildOfMain | Centred, 0, 0, 0, 43},
    {"Quirlo - Programminfo-Editor", 0, 0, 455, 195, Resizable | Utility | Centred, 0, 0, 0, -1},
    {"Quirlo - Pause: Info", 0, 0, 440, 132, Fixed | Utility | KeepAbove | Centred, 0, 0, 0, -1},
    {"Existing ComPort authorisation ...", 0, 0, 490, 200, Fixed, 0, 0, 0, -1},
    {"Quirlo - Diagramm", 520, 320, 740, 520, Resizable | ChildOfMain, 740, 360, 0, -1},
    {"Quirlo - Direkteingabe", 500, 320, 520, 112, Resizable | ChildOfMain, 420, 112, 0, -1},
    {"Quirlo - Netzwerkgeräte suchen", 200, 100, 540, 282, Fixed | ChildOfMain, 0, 0, 0, -1},
}};

std::array<void (*)(), WindowCount> builders{};
std::array<bool, WindowCount> listChangedFlags{};
std::array<GtkWidget*, WindowCount> fixedContainers{};
std::array<GtkAllocation, WindowCount> lastSizes{};
// Where a hidden window was, so that showing it again puts it back there.
std::array<std::pair<int, int>, WindowCount> hiddenPlaces{};
std::array<bool, WindowCount> hiddenPlaceKnown{};

const int toggleButtonOf[] = {0, IdMainCommandListButton, IdMainProgramButton,
                              IdMainSettingsButton, IdMainProtocolButton};

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    postEvent(EvClose, GPOINTER_TO_INT(data), 0);
    return TRUE;
}

void onSizeAllocate(GtkWidget*, GtkAllocation* allocation, gpointer data)
{
    int window = GPOINTER_TO_INT(data);
    GtkAllocation& last = lastSizes[window];
    if (last.width == allocation->width && last.height == allocation->height)
        return;
    last = *allocation;
    postEvent(EvResize, window, 0);
}

gboolean onPictureClick(GtkWidget* picture, GdkEventButton* event, gpointer data)
{
    auto [window, id] = *static_cast<std::pair<int, int>*>(data);
    if (event->button == 1 && GTK_WIDGET_SENSITIVE(picture))
        postEvent(EvControl, window, id);
    return TRUE;
}

void freeClickTarget(gpointer data, GClosure*)
{
    delete static_cast<std::pair<int, int>*>(data);
}

void forgetFixed(GtkWidget*, gpointer data)
{
    int window = GPOINTER_TO_INT(data);
    fixedContainers[window] = nullptr;
    lastSizes[window] = GtkAllocation{};
}

} // namespace

int primaryMonitorHeight()
{
    GdkRectangle area;
    gdk_screen_get_monitor_geometry(gdk_screen_get_default(), 0, &area);
    return area.height;
}

namespace {

// Tiles the built-in picture behind the window's controls.
void setBackground(GtkWidget* widget, int image)
{
    GdkPixbuf* pixbuf = quirloImage(image);
    if (!pixbuf)
        return;
    gtk_widget_realize(widget);
    GdkPixmap* pixmap = nullptr;
    gdk_pixbuf_render_pixmap_and_mask(pixbuf, &pixmap, nullptr, 0);
    if (!pixmap)
        return;
    GtkStyle* style = gtk_style_copy(gtk_widget_get_style(widget));
    if (style->bg_pixmap[GTK_STATE_NORMAL])
        g_object_unref(style->bg_pixmap[GTK_STATE_NORMAL]);
    style->bg_pixmap[GTK_STATE_NORMAL] = pixmap;
    gtk_widget_set_style(widget, style);
    g_object_unref(style);
}

void presentWindow(int window)
{
    GtkWidget* widget = windowWidget(window);
    if (hiddenPlaceKnown[window])
        gtk_window_move(GTK_WINDOW(widget), hiddenPlaces[window].first, hiddenPlaces[window].second);
    gtk_widget_show(widget);
    gtk_window_present(GTK_WINDOW(widget));
}

} // namespace

GtkWidget* createWindowFrame(int window)
{
    const WindowSpec& spec = catalogue[window];
    GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* gtkWindow = GTK_WINDOW(widget);
    registerWindow(window, widget);
    gtk_window_set_title(gtkWindow, spec.title);
    if (spec.kind & Utility)
        gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_UTILITY);
    if (spec.kind & KeepAbove)
        gtk_window_set_keep_above(gtkWindow, TRUE);
    if ((spec.kind & ChildOfMain) && windowExists(WinMain))
        gtk_window_set_transient_for(gtkWindow, GTK_WINDOW(windowWidget(WinMain)));
    if (spec.kind & Fixed) {
        gtk_window_set_resizable(gtkWindow, FALSE);
        gtk_widget_set_size_request(widget, spec.width, spec.height);
    } else {
        gtk_window_set_default_size(gtkWindow, spec.width, spec.height);
        setSizeLimits(window, spec.minWidth, spec.minHeight, spec.maxWidth,
                      spec.maxWidth ? primaryMonitorHeight() : 0);
    }
    if (spec.kind & Centred)
        gtk_window_set_position(gtkWindow, GTK_WIN_POS_CENTER);
    else if (window == WinMain)
        gtk_window_move(gtkWindow, 0, primaryMonitorHeight() - 222);
    else if (window != WinPortAuth)
        gtk_window_move(gtkWindow, spec.x, spec.y);

    if (spec.background >= 0)
        setBackground(widget, spec.background);

    // A box around the fixed container leaves room for a toolbar above it.
    GtkWidget* box = gtk_vbox_new(FALSE, 0);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_box_pack_end(GTK_BOX(box), fixed, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(widget), box);
    fixedContainers[window] = fixed;
    hiddenPlaceKnown[window] = false;
    g_signal_connect(fixed, "destroy", G_CALLBACK(forgetFixed), GINT_TO_POINTER(window));
    g_signal_connect(widget, "delete-event", G_CALLBACK(onDelete), GINT_TO_POINTER(window));
    g_signal_connect(widget, "size-allocate", G_CALLBACK(onSizeAllocate), GINT_TO_POINTER(window));
    return widget;
}

namespace {

// A field holds one line: TAB, CR and LF, typed or pasted, are taken out before they land.
void keepFieldOneLine(GtkWidget* widget)
{
    if (GTK_IS_COMBO_BOX_ENTRY(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    if (GTK_IS_ENTRY(widget))
        filterEntryText(widget, lineFieldText);
}

} // namespace

GtkWidget* putControl(GtkWidget* fixed, int window, int id, GtkWidget* widget, int x, int y,
                      int width, int height)
{
    keepFieldOneLine(widget);
    gtk_widget_set_size_request(widget, width, height);
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
    if (id)
        registerControl(window, id, widget);
    return widget;
}

GtkWidget* putButton(GtkWidget* fixed, int window, int id, const char* label, int x, int y,
                     int width, int height, bool isDefault)
{
    GtkWidget* button = putControl(fixed, window, id, gtk_button_new_with_label(label), x, y,
                                   width, height);
    connectControlEvent(button, "clicked", window, id, CtlPlain);
    if (isDefault) {
        GTK_WIDGET_SET_FLAGS(button, GTK_CAN_DEFAULT);
        gtk_window_set_default(GTK_WINDOW(windowWidget(window)), button);
    }
    return button;
}

std::pair<int, int> innerSize(int window)
{
    GtkWidget* widget = windowWidget(window);
    if (!widget)
        return {0, 0};
    if (GTK_WIDGET_MAPPED(widget) && widget->allocation.width > 1)
        return {widget->allocation.width, widget->allocation.height};
    int width = 0, height = 0;
    gtk_window_get_default_size(GTK_WINDOW(widget), &width, &height);
    return {width, height};
}

void setSizeLimits(int window, int minWidth, int minHeight, int maxWidth, int maxHeight)
{
    GtkWidget* widget = windowWidget(window);
    if (!widget)
        return;
    GdkGeometry hints{};
    int mask = 0;
    if (minWidth || minHeight) {
        hints.min_width = minWidth;
        hints.min_height = minHeight;
        mask |= GDK_HINT_MIN_SIZE;
    }
    if (maxWidth || maxHeight) {
        hints.max_width = maxWidth ? maxWidth : G_MAXSHORT;
        hints.max_height = maxHeight ? maxHeight : G_MAXSHORT;
        mask |= GDK_HINT_MAX_SIZE;
    }
    gtk_window_set_geometry_hints(GTK_WINDOW(widget), nullptr, &hints, GdkWindowHints(mask));
}

GtkWidget* putLabel(GtkWidget* fixed, const char* text, int x, int y, int width)
{
    GtkWidget* label = gtk_label_new(text);
    gtk_misc_set_alignment(GTK_MISC(label), 1.0f, 0.5f);
    return putControl(fixed, 0, 0, label, x, y, width, 24);
}

void fitLabel(GtkWidget* label, int room, bool condensed)
{
    const char* text = gtk_label_get_text(GTK_LABEL(label));
    auto fits = [&](const PangoFontDescription* font) {
        PangoLayout* layout = gtk_widget_create_pango_layout(label, text);
        if (font)
            pango_layout_set_font_description(layout, font);
        int width = 0;
        pango_layout_get_pixel_size(layout, &width, nullptr);
        g_object_unref(layout);
        return width <= room;
    };
    if (!condensed && fits(nullptr))
        return;
    PangoFontDescription* font = newCondensedFont(9);
    for (int size = 9; size > 6 && !fits(font); --size)
        pango_font_description_set_size(font, (size - 1) * PANGO_SCALE);
    gtk_widget_modify_font(label, font);
    pango_font_description_free(font);
}

GtkWidget* putField(GtkWidget* fixed, int window, int id, const char* text, int x, int y, int width,
                    const char* toolTip)
{
    GtkWidget* field = putControl(fixed, window, id, gtk_entry_new(), x, y, width, 24);
    gtk_entry_set_text(GTK_ENTRY(field), text);
    if (toolTip)
        gtk_widget_set_tooltip_text(field, toolTip);
    return field;
}

GtkWidget* newClickPicture(int window, int id, int image)
{
    GtkWidget* picture = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(picture), FALSE);
    gtk_container_add(GTK_CONTAINER(picture), quirloImageWidget(image));
    g_signal_connect_data(picture, "button-press-event", G_CALLBACK(onPictureClick),
                          new std::pair<int, int>(window, id), freeClickTarget, GConnectFlags(0));
    return picture;
}

GtkWidget* putFrame(GtkWidget* fixed, int window, int id, const char* heading, int x, int y, int width,
                    int height, const char* headingBackground)
{
    GtkWidget* frame = gtk_frame_new(nullptr);
    GtkWidget* label = gtk_label_new(heading);
    if (const PangoFontDescription* font = quirloFont(0))
        gtk_widget_modify_font(label, const_cast<PangoFontDescription*>(font));
    GtkWidget* headingWidget = label;
    GdkColor colour;
    if (headingBackground && gdk_color_parse(headingBackground, &colour)) {
        headingWidget = gtk_event_box_new();
        gtk_container_add(GTK_CONTAINER(headingWidget), label);
        gtk_widget_modify_bg(headingWidget, GTK_STATE_NORMAL, &colour);
    }
    gtk_frame_set_label_widget(GTK_FRAME(frame), headingWidget);
    putControl(fixed, window, id, frame, x, y, width, height);
    GtkWidget* inside = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(frame), inside);
    return inside;
}

GtkWidget* putCheck(GtkWidget* fixed, int window, int id, const char* label, int x, int y, int width, bool on,
                    const char* toolTip)
{
    GtkWidget* box = putControl(fixed, window, id, gtk_check_button_new_with_label(label), x, y, width, 24);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), on);
    if (toolTip)
        gtk_widget_set_tooltip_text(box, toolTip);
    if (id)
        connectControlEvent(box, "clicked", window, id, CtlPlain);
    return box;
}

GtkWidget* putChoice(GtkWidget* fixed, int window, int id, const std::vector<std::string>& choices,
                     int active, int x, int y, int width, const char* toolTip)
{
    GtkWidget* box = gtk_combo_box_new_text();
    for (const std::string& choice : choices)
        gtk_combo_box_append_text(GTK_COMBO_BOX(box), choice.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(box), active);
    if (toolTip)
        gtk_widget_set_tooltip_text(box, toolTip);
    return putControl(fixed, window, id, box, x, y, width, 26);
}

GtkWidget* windowFixed(int window)
{
    return fixedContainers[window];
}

void showOrToggleWindow(int window)
{
    if ((window < WinCommandList || window > WinProgramInfo) && window < WinDiagram)
        return;
    if (!windowExists(window)) {
        if (!builders[window])
            return;
        builders[window]();
        gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(windowWidget(window))));
        if (window != WinSettings && window != WinProgramInfo)
            presentWindow(window);
    } else if (windowVisible(window)) {
        hideWindow(window);
    } else {
        presentWindow(window);
    }
    syncToggleButton(window);
}

void showWindow(int window)
{
    if (!windowVisible(window))
        showOrToggleWindow(window);
}

void hideWindow(int window)
{
    GtkWidget* widget = windowWidget(window);
    if (!widget || !GTK_WIDGET_VISIBLE(widget))
        return;
    gtk_window_get_position(GTK_WINDOW(widget), &hiddenPlaces[window].first,
                            &hiddenPlaces[window].second);
    hiddenPlaceKnown[window] = true;
    gtk_widget_hide(widget);
}

void syncToggleButton(int window)
{
    if (window >= WinCommandList && window <= WinProtocol)
        setToggleState(WinMain, toggleButtonOf[window], windowVisible(window));
}

void setWindowBuilder(int window, void (*build)())
{
    if (window >= 0 && window < WindowCount)
        builders[window] = build;
}

void setTitleMarker(int list, bool changed)
{
    bool commandList = list == IdCmdList;
    int window = commandList ? WinCommandList : WinProgram;
    listChangedFlags[window] = changed;
    GtkWidget* widget = windowWidget(window);
    if (!widget)
        return;
    std::string title = commandList ? "Quirlo - Geräte-Kommandoliste" : "Quirlo - Programm";
    gtk_window_set_title(GTK_WINDOW(widget), ((changed ? "*" : "") + title).c_str());
}

bool listChanged(int list)
{
    return listChangedFlags[list == IdCmdList ? WinCommandList : WinProgram];
}
