// The keyboard shortcuts of all windows; each gives a menu event with its item id.
#pragma once

// Registers every shortcut of the window except those that are added only under a condition
// (Delete in the list windows: see setShortcutActive).
void registerShortcuts(int window);
// Adds or removes the shortcut of the menu item on the window.
void setShortcutActive(int window, int item, bool active);
bool shortcutActive(int window, int item);
// Removes (editing true) or returns (false) the shortcuts that in-place cell editing of the
// window's list would otherwise take: Return, Escape and Delete, in the program also Ctrl+C and
// Ctrl+V. Delete comes back only while the editor panel is hidden.
void setCellEditingShortcuts(int window, bool editing, bool editorPanelShown);
