// The keyboard shortcuts of all windows.
#include "ui/shortcuts.h"

#include <gdk/gdkkeysyms.h>

#include <map>
#include <set>
#include <utility>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ids.h"

namespace {

struct Shortcut {
    int window;
    guint key;
    GdkModifierType modifiers;
    int item;
    bool conditional;  // registered only while its window's condition holds
    int target = -1;   // the window whose menu event it gives, when not its own
};

constexpr auto none = GdkModifierType(0);
constexpr auto ctrl = GDK_CONTROL_MASK;

const Shortcut shortcuts[] = {
    {WinMain, GDK_Escape, none, MenuMainEscape, false},
    {WinMain, GDK_F1, none, MenuMainF1, false},
    {WinCommandList, GDK_n, ctrl, MenuCmdCtrlN, false},
    {WinCommandList, GDK_o, ctrl, MenuCmdCtrlO, false},
    {WinCommandList, GDK_s, ctrl, MenuCmdCtrlS, false},
    {WinCommandList, GDK_Return, none, MenuCmdReturn, false},
    {WinCommandList, GDK_Escape, none, MenuCmdEscape, false},
    {WinCommandList, GDK_Delete, none, MenuCmdDeleteKey, true},
    {WinProgram, GDK_c, ctrl, MenuPrgCtrlC, false},
    {WinProgram, GDK_v, ctrl, MenuPrgCtrlV, false},
    {WinProgram, GDK_n, ctrl, MenuPrgCtrlN, false},
    {WinProgram, GDK_o, ctrl, MenuPrgCtrlO, false},
    {WinProgram, GDK_s, ctrl, MenuPrgCtrlS, false},
    {WinProgram, GDK_i, ctrl, MenuPrgCtrlI, false},
    {WinProgram, GDK_Delete, none, MenuPrgDeleteKey, true},
    {WinProgram, GDK_Return, none, MenuPrgReturn, false},
    {WinProgram, GDK_Escape, none, MenuPrgEscape, false},
    {WinProgram, GDK_F11, none, MenuPrgF11, false},
    {WinProgram, GDK_F12, none, MenuPrgF12, false},
    {WinProgram, GDK_Pause, none, MenuPrgPauseKey, false},
    {WinSettings, GDK_o, ctrl, MenuSetCtrlO, false},
    {WinSettings, GDK_s, ctrl, MenuSetCtrlS, false},
    {WinSettings, GDK_Return, none, MenuSetReturn, false},
    {WinProtocol, GDK_n, ctrl, MenuPtkCtrlN, false},
    {WinProtocol, GDK_s, ctrl, MenuPtkCtrlS, false},
    {WinProtocol, GDK_c, ctrl, MenuPtkCtrlC, false},
    {WinProtocol, GDK_g, ctrl, MenuPtkCtrlG, false},
    {WinProgram, GDK_d, ctrl, MenuDirOpen, false, WinDirect},
    {WinProtocol, GDK_d, ctrl, MenuDirOpen, false, WinDirect},
    {WinProgramInfo, GDK_Escape, none, MenuInfoEscape, false},
    // Help from every window.
    {WinCommandList, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinProgram, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinSettings, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinProtocol, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinProgramInfo, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinDiagram, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinDirect, GDK_F1, none, MenuMainF1, false, WinMain},
    {WinPauseInfo, GDK_Return, none, MenuPauseReturn, false},
    {WinPauseInfo, GDK_Escape, none, MenuPauseEscape, false},
};

// The items whose shortcuts in-place cell editing takes away.
const std::set<int> cellEditingItems = {MenuCmdReturn, MenuCmdEscape, MenuCmdDeleteKey,
                                        MenuPrgReturn, MenuPrgEscape, MenuPrgDeleteKey,
                                        MenuPrgCtrlC,  MenuPrgCtrlV};

std::map<int, GtkAccelGroup*> accelGroups;
std::set<std::pair<int, int>> active;

gboolean onShortcut(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data)
{
    const Shortcut* shortcut = static_cast<const Shortcut*>(data);
    postEvent(EvMenu, shortcut->target >= 0 ? shortcut->target : shortcut->window, shortcut->item);
    return TRUE;
}

const Shortcut* find(int window, int item)
{
    for (const Shortcut& shortcut : shortcuts) {
        if (shortcut.window == window && shortcut.item == item)
            return &shortcut;
    }
    return nullptr;
}

void forgetWindow(GtkWidget*, gpointer data)
{
    int window = GPOINTER_TO_INT(data);
    accelGroups.erase(window);
    std::erase_if(active, [window](const auto& entry) { return entry.first == window; });
}

} // namespace

void registerShortcuts(int window)
{
    GtkWidget* widget = windowWidget(window);
    if (!widget)
        return;
    GtkAccelGroup* group = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(widget), group);
    g_object_unref(group);
    accelGroups[window] = group;
    g_signal_connect(widget, "destroy", G_CALLBACK(forgetWindow), GINT_TO_POINTER(window));
    for (const Shortcut& shortcut : shortcuts) {
        if (shortcut.window == window && !shortcut.conditional)
            setShortcutActive(window, shortcut.item, true);
    }
}

void setShortcutActive(int window, int item, bool on)
{
    const Shortcut* shortcut = find(window, item);
    auto group = accelGroups.find(window);
    if (!shortcut || group == accelGroups.end() || shortcutActive(window, item) == on)
        return;
    if (on) {
        GClosure* closure = g_cclosure_new(G_CALLBACK(onShortcut),
                                           const_cast<Shortcut*>(shortcut), nullptr);
        gtk_accel_group_connect(group->second, shortcut->key, shortcut->modifiers,
                                GTK_ACCEL_VISIBLE, closure);
        active.insert({window, item});
    } else {
        gtk_accel_group_disconnect_key(group->second, shortcut->key, shortcut->modifiers);
        active.erase({window, item});
    }
}

bool shortcutActive(int window, int item)
{
    return active.count({window, item}) != 0;
}

void setCellEditingShortcuts(int window, bool editing, bool editorPanelShown)
{
    for (const Shortcut& shortcut : shortcuts) {
        if (shortcut.window != window || !cellEditingItems.count(shortcut.item))
            continue;
        bool on = !editing && !(shortcut.conditional && editorPanelShown);
        setShortcutActive(window, shortcut.item, on);
    }
}
