// The eight pop-up menus.
#include "ui/popup_menus.h"

#include <map>

#include "ui/events.h"
#include "ui/ids.h"

namespace {

constexpr int separator = -1;
constexpr int subMenuStart = -2;
constexpr int subMenuEnd = -3;

struct MenuItemSpec {
    int item;
    const char* label;
    bool enabled;
};

struct MenuSpec {
    int menu;
    int window;
    std::vector<MenuItemSpec> items;
};

const std::vector<MenuSpec> menuSpecs = {
    {PopupCmdOneRow, WinCommandList,
     {{MenuCmdDelete, "Eintrag löschen", true},
      {MenuCmdChange, "Eintrag ändern", true},
      {MenuCmdDuplicate, "Eintrag duplizieren", true},
      {MenuCmdNew, "Eintrag neu", true},
      {separator, "", true},
      {MenuCmdCopyToProgram, "Kopie in Programmfenster", true}}},
    {PopupCmdOther, WinCommandList, {{MenuCmdNewOnly, "Eintrag neu", true}}},
    {PopupPrgOneRow, WinProgram,
     {{MenuPrgDelete, "Eintrag löschen", true},
      {MenuPrgChange, "Eintrag ändern", true},
      {separator, "", true},
      {MenuPrgCopy, "Eintrag kopieren (Clipboard)", true},
      {MenuPrgPasteHere, "Eintrag einfügen (Clipboard)", true},
      {separator, "", true},
      {MenuPrgDeactivate, "Eintrag deaktivieren", false},
      {MenuPrgActivate, "Eintrag aktivieren", false},
      {separator, "", true},
      {MenuPrgExecute, "Eintrag 'ausführen'", true},
      {separator, "", true},
      {MenuPrgDuplicate, "Eintrag duplizieren", true},
      {subMenuStart, "Mehrfachduplikate...", true},
      {MenuPrgTimes2, "x 2", true},
      {MenuPrgTimes3, "x 3", true},
      {MenuPrgTimes5, "x 5", true},
      {MenuPrgTimes10, "x 10", true},
      {subMenuEnd, "", true}}},
    {PopupPrgNoRow, WinProgram, {{MenuPrgPaste, "aus Clipboard einfügen", true}}},
    {PopupPrgManyRows, WinProgram,
     {{MenuPrgDeleteMany, "Einträge löschen", true},
      {MenuPrgCopyMany, "Einträge kopieren (Clipboard)", true},
      {separator, "", true},
      {MenuPrgDeactivateMany, "Einträge deaktivieren", false},
      {MenuPrgActivateMany, "Einträge aktivieren", false},
      {separator, "", true},
      {MenuPrgDuplicateMany, "Einträge duplizieren", true},
      {separator, "", true},
      {subMenuStart, "Einträge-Pausen...", true},
      {32, "5", true},    {33, "50", true},   {34, "100", true},  {35, "200", true},
      {36, "300", true},  {37, "400", true},  {38, "500", true},  {39, "600", true},
      {40, "700", true},  {41, "800", true},  {42, "900", true},  {43, "1000", true},
      {44, "1200", true}, {45, "1500", true}, {46, "2000", true}, {47, "5000", true},
      {subMenuEnd, "", true}}},
    // The clipboard layouts are added by the protocol, which knows them.
    {PopupPort, WinSettings, {{MenuSetDeviceClear, "Gerät zurücksetzen", false}}},
    {PopupPtkListClipboard, WinProtocol, {{MenuPtkListHeading, "Clipboardübernahme als...", false}}},
    {PopupPtkTableClipboard, WinProtocol, {{MenuPtkTableHeading, "Clipboardübernahme als...", false}}},
    {PopupPtkRows, WinProtocol,
     {{MenuPtkDeleteRows, "Zeile(n) löschen", true},
      {MenuPtkRowLabel, "Zeile      ", false}}},
};

std::map<int, GtkWidget*> menus;
std::map<int, int> menuWindows;
std::map<std::pair<int, int>, GtkWidget*> menuItems;

void onActivate(GtkMenuItem*, gpointer data)
{
    int packed = GPOINTER_TO_INT(data);
    postEvent(EvMenu, packed >> 16, packed & 0xFFFF);
}

void collect(GtkWidget* menu, std::vector<MenuEntry>& entries)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* child = children; child; child = child->next) {
        GtkWidget* widget = GTK_WIDGET(child->data);
        if (GTK_IS_SEPARATOR_MENU_ITEM(widget)) {
            entries.push_back({separator, "---", true});
            continue;
        }
        const char* label = gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(widget))));
        int item = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "quirlo-item"));
        GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget));
        entries.push_back({sub ? subMenuStart : item, label, GTK_WIDGET_SENSITIVE(widget) != 0});
        if (sub)
            collect(sub, entries);
    }
    g_list_free(children);
}

void appendItem(int menu, GtkWidget* target, const MenuItemSpec& item)
{
    GtkWidget* widget = gtk_menu_item_new_with_label(item.label);
    gtk_widget_set_sensitive(widget, item.enabled);
    g_object_set_data(G_OBJECT(widget), "quirlo-item", GINT_TO_POINTER(item.item));
    g_signal_connect(widget, "activate", G_CALLBACK(onActivate),
                     GINT_TO_POINTER((menuWindows[menu] << 16) | item.item));
    gtk_menu_shell_append(GTK_MENU_SHELL(target), widget);
    menuItems[{menu, item.item}] = widget;
}

} // namespace

void createPopupMenus()
{
    for (const MenuSpec& spec : menuSpecs) {
        GtkWidget* menu = gtk_menu_new();
        g_object_ref_sink(menu);
        menus[spec.menu] = menu;
        menuWindows[spec.menu] = spec.window;
        GtkWidget* target = menu;
        for (const MenuItemSpec& item : spec.items) {
            if (item.item == separator) {
                gtk_menu_shell_append(GTK_MENU_SHELL(target), gtk_separator_menu_item_new());
            } else if (item.item == subMenuStart) {
                GtkWidget* heading = gtk_menu_item_new_with_label(item.label);
                gtk_menu_shell_append(GTK_MENU_SHELL(menu), heading);
                target = gtk_menu_new();
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(heading), target);
            } else if (item.item == subMenuEnd) {
                target = menu;
            } else {
                appendItem(spec.menu, target, item);
            }
        }
        gtk_widget_show_all(menu);
    }
}

void appendMenuItem(int menu, int item, const std::string& label, bool separatedAbove)
{
    auto found = menus.find(menu);
    if (found == menus.end())
        return;
    if (separatedAbove)
        gtk_menu_shell_append(GTK_MENU_SHELL(found->second), gtk_separator_menu_item_new());
    appendItem(menu, found->second, {item, label.c_str(), true});
    gtk_widget_show_all(found->second);
}

namespace {

guint clickButton = 0;
guint32 clickTime = GDK_CURRENT_TIME;

} // namespace

void notePopupClick(const GdkEventButton* event)
{
    clickButton = event->button;
    clickTime = event->time;
}

void showPopupMenu(int menu)
{
    auto found = menus.find(menu);
    // The menu opens after the click was handled; with the click's button and time the
    // release of that button, coming after the menu opened, does not take it down again.
    if (found != menus.end())
        gtk_menu_popup(GTK_MENU(found->second), nullptr, nullptr, nullptr, nullptr, clickButton, clickTime);
    clickButton = 0;
    clickTime = GDK_CURRENT_TIME;
}

void setMenuItemEnabled(int menu, int item, bool enabled)
{
    auto found = menuItems.find({menu, item});
    if (found != menuItems.end())
        gtk_widget_set_sensitive(found->second, enabled);
}

bool menuItemEnabled(int menu, int item)
{
    auto found = menuItems.find({menu, item});
    return found != menuItems.end() && GTK_WIDGET_SENSITIVE(found->second);
}

void setMenuItemText(int menu, int item, const std::string& text)
{
    auto found = menuItems.find({menu, item});
    if (found != menuItems.end())
        gtk_menu_item_set_label(GTK_MENU_ITEM(found->second), text.c_str());
}

std::string menuItemText(int menu, int item)
{
    auto found = menuItems.find({menu, item});
    if (found == menuItems.end())
        return "";
    return gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(found->second))));
}

std::vector<MenuEntry> menuEntries(int menu)
{
    std::vector<MenuEntry> entries;
    auto found = menus.find(menu);
    if (found != menus.end())
        collect(found->second, entries);
    return entries;
}

GtkWidget* popupMenuWidget(int menu)
{
    auto found = menus.find(menu);
    return found == menus.end() ? nullptr : found->second;
}
