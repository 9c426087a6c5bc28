// The eight pop-up menus; their items give menu events on the menu's window.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

void createPopupMenus();
// Adds an enabled item at the end of the menu, after a separator when asked.
void appendMenuItem(int menu, int item, const std::string& label, bool separatedAbove);
// Keeps the right click that asks for a menu: the menu opens after the click was handled and
// takes the click's button and time, so that the button's release does not close it again.
void notePopupClick(const GdkEventButton* event);
// Shows the pop-up menu at the mouse position.
void showPopupMenu(int menu);
void setMenuItemEnabled(int menu, int item, bool enabled);
bool menuItemEnabled(int menu, int item);
void setMenuItemText(int menu, int item, const std::string& text);
std::string menuItemText(int menu, int item);

// What a menu holds, in order, sub-menu items included; separators have item -1 and label
// "---", sub-menu headings item -2.
struct MenuEntry {
    int item;
    std::string label;
    bool enabled;
};
std::vector<MenuEntry> menuEntries(int menu);
GtkWidget* popupMenuWidget(int menu);
