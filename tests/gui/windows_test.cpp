// The window catalogue, top rows, shortcuts, pop-up menus, message dialog, title marker,
// row colours and the built-in images.
#include "gui/harness.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include "app/shell_state.h"
#include "lists/list_files.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/popup_menus.h"
#include "ui/resources.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

using Windows = QuirloTest;

namespace {

struct Expected {
    int window;
    const char* title;
    int width, height;
    bool resizable;
};

std::pair<int, int> catalogueSize(int window)
{
    GtkWindow* widget = GTK_WINDOW(windowWidget(window));
    int width = 0, height = 0;
    if (gtk_window_get_resizable(widget))
        gtk_window_get_default_size(widget, &width, &height);
    else
        gtk_widget_get_size_request(GTK_WIDGET(widget), &width, &height);
    return {width, height};
}

// Presses the key on the window the way the toolkit dispatches its accelerators.
bool pressKey(int window, guint key, GdkModifierType modifiers = GdkModifierType(0))
{
    return gtk_accel_groups_activate(G_OBJECT(windowWidget(window)), key, modifiers);
}

} // namespace

TEST_F(Windows, CatalogueTitlesSizesAndKinds)
{
    for (int window : {WinCommandList, WinProgram, WinProtocol, WinAbout})
        showOrToggleWindow(window);
    pumpUntilIdle();
    const Expected expected[] = {
        {WinMain, "Quirlo", 170, 190, false},
        {WinCommandList, "Quirlo - Gerätekommandoliste", 615, 510, true},
        {WinProgram, "Quirlo - Programm", 640, 482, true},
        {WinSettings, "Quirlo - Einstellungen", 560, 496, false},
        {WinProtocol, "Quirlo - Protokoll", 500, 246, true},
        {WinAbout, "Quirlo - about", 320, 210, false},
        {WinProgramInfo, "Quirlo - Programminfo-Editor", 455, 195, true},
        {WinPortAuth, "Existing ComPort authorisation ...", 490, 200, false},
    };
    for (const Expected& e : expected) {
        ASSERT_TRUE(windowExists(e.window)) << e.window;
        GtkWindow* widget = GTK_WINDOW(windowWidget(e.window));
        EXPECT_STREQ(gtk_window_get_title(widget), e.title);
        EXPECT_EQ(catalogueSize(e.window), std::make_pair(e.width, e.height)) << e.title;
        EXPECT_EQ(gtk_window_get_resizable(widget) != 0, e.resizable) << e.title;
    }
    for (int window : {WinCommandList, WinProgram, WinProtocol, WinAbout})
        EXPECT_TRUE(windowVisible(window)) << window;
    EXPECT_FALSE(windowVisible(WinPortAuth));
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(windowWidget(WinProgram))),
              GTK_WINDOW(windowWidget(WinMain)));
    EXPECT_EQ(gtk_window_get_type_hint(GTK_WINDOW(windowWidget(WinProtocol))),
              GDK_WINDOW_TYPE_HINT_UTILITY);
}

TEST_F(Windows, ClosingHidesAndShowingReturnsToTheLastPlace)
{
    showOrToggleWindow(WinProtocol);
    pumpUntilIdle();
    gtk_window_move(GTK_WINDOW(windowWidget(WinProtocol)), 333, 222);
    pumpUntilIdle();
    send(EvClose, WinProtocol, 0);
    EXPECT_FALSE(windowVisible(WinProtocol));
    EXPECT_FALSE(toggleState(WinMain, IdMainProtocolButton));
    send(EvControl, WinMain, IdMainProtocolButton);
    EXPECT_TRUE(windowVisible(WinProtocol));
    EXPECT_TRUE(toggleState(WinMain, IdMainProtocolButton));
    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(windowWidget(WinProtocol)), &x, &y);
    EXPECT_EQ(x, 333);
    EXPECT_EQ(y, 222);

    // The about window and the info editor flip as well; "Okay" hides the about window.
    send(EvMenu, WinMain, MenuAbout);
    EXPECT_TRUE(windowVisible(WinAbout));
    send(EvControl, WinAbout, IdAboutOkay);
    EXPECT_FALSE(windowVisible(WinAbout));
}

TEST_F(Windows, TopRowToolTipsAndEnabledStates)
{
    for (int window : {WinCommandList, WinProgram, WinProtocol})
        showOrToggleWindow(window);
    pumpUntilIdle();
    const struct {
        int window, id;
        const char* toolTip;
        bool enabled;
    } expected[] = {
        {WinCommandList, IdCmdClear, "[Strg][N] Leert komplette Liste", true},
        {WinCommandList, IdCmdRestoreOrder, "Stellt ursprüngliche Sortierung wieder her!", false},
        {WinCommandList, IdCmdSearchField, "Sucht die aktuelle Eingabe in der Liste in Spalte 'Kommando'", true},
        {WinProgram, IdPrgRun, "[F11] Parameteraufbereitung, -übernahme und Start des Programmes", true},
        {WinProgram, IdPrgPause,
         "[Pause] Pausiert den aktuellen Programmlauf für Tätigkeiten oder Kopieraktionen aus dem Protokoll etc.",
         false},
        {WinProgram, IdPrgStop, "[F12] Beendet den aktuellen Programmlauf", false},
        {WinProgram, IdPrgInfo, "[Strg][I]Öffnet Editor zum Lesen oder Eingeben der Listeninfos", true},
        {WinSettings, IdSetLoadDevice, "[Strg][O] Lädt Geräte-Einstellungen für den gewählten COM-Port", true},
        {WinProtocol, IdPtkExcel, "Unter Linux nicht verfügbar", false},
        {WinProtocol, IdPtkLimitIndicator,
         "Tabellen-Rire: Tabellengrenzen wurden überschritten - CellPos-Parameter prüfen!", true},
    };
    for (const auto& e : expected) {
        GtkWidget* widget = controlWidget(e.window, e.id);
        ASSERT_NE(widget, nullptr) << e.id;
        gchar* tip = gtk_widget_get_tooltip_text(widget);
        EXPECT_STREQ(tip, e.toolTip);
        g_free(tip);
        EXPECT_EQ(controlEnabled(e.window, e.id), e.enabled) << e.id;
    }
    // Loading a list names its file in the window's "Set:" field.
    for (int window : {WinCommandList, WinProgram})
        EXPECT_EQ(controlText(window, window == WinCommandList ? IdCmdSetField : IdPrgSetField), "SetName");
    // The port button starts pressed and shows its closed-port picture.
    EXPECT_TRUE(toggleState(WinProgram, IdPrgPortButton));
    GtkWidget* portImage = gtk_button_get_image(GTK_BUTTON(controlWidget(WinProgram, IdPrgPortButton)));
    EXPECT_EQ(gtk_image_get_pixbuf(GTK_IMAGE(portImage)), quirloImage(11));
    setToggleState(WinProgram, IdPrgPortButton, false);
    EXPECT_EQ(gtk_image_get_pixbuf(GTK_IMAGE(portImage)), quirloImage(10));
    EXPECT_FALSE(eventQueued(EvControl, WinProgram, IdPrgPortButton));
}

TEST_F(Windows, EveryShortcutGivesItsMenuEventOnItsWindow)
{
    for (int window : {WinCommandList, WinProgram, WinProtocol})
        showOrToggleWindow(window);
    pumpUntilIdle();
    const auto ctrl = GDK_CONTROL_MASK;
    const auto none = GdkModifierType(0);
    const struct {
        int window;
        guint key;
        GdkModifierType modifiers;
        int item;
    } shortcuts[] = {
        {WinMain, GDK_Escape, none, 8},         {WinMain, GDK_F1, none, 9},
        {WinCommandList, GDK_n, ctrl, 26},      {WinCommandList, GDK_o, ctrl, 27},
        {WinCommandList, GDK_s, ctrl, 28},      {WinCommandList, GDK_Return, none, 29},
        {WinCommandList, GDK_Escape, none, 30}, {WinCommandList, GDK_Delete, none, 31},
        {WinProgram, GDK_c, ctrl, 53},          {WinProgram, GDK_v, ctrl, 54},
        {WinProgram, GDK_n, ctrl, 57},          {WinProgram, GDK_o, ctrl, 58},
        {WinProgram, GDK_s, ctrl, 59},          {WinProgram, GDK_i, ctrl, 60},
        {WinProgram, GDK_Delete, none, 56},     {WinProgram, GDK_Return, none, 61},
        {WinProgram, GDK_Escape, none, 62},     {WinProgram, GDK_F11, none, 63},
        {WinProgram, GDK_F12, none, 64},        {WinProgram, GDK_Pause, none, 65},
        {WinSettings, GDK_o, ctrl, 102},        {WinSettings, GDK_s, ctrl, 103},
        {WinSettings, GDK_Return, none, 104},   {WinProtocol, GDK_n, ctrl, 165},
        {WinProtocol, GDK_s, ctrl, 166},        {WinProtocol, GDK_c, ctrl, 167},
        {WinProgramInfo, GDK_Escape, none, 192},
    };
    for (const auto& s : shortcuts) {
        clearEvents();
        EXPECT_TRUE(pressKey(s.window, s.key, s.modifiers)) << s.item;
        Event event;
        ASSERT_TRUE(takeEvent(event)) << s.item;
        EXPECT_EQ(event.kind, EvMenu);
        EXPECT_EQ(event.window, s.window);
        EXPECT_EQ(event.object, s.item);
        EXPECT_FALSE(takeEvent(event));
    }
    // Help comes from every window.
    for (int window : {WinCommandList, WinProgram, WinSettings, WinProtocol}) {
        clearEvents();
        EXPECT_TRUE(pressKey(window, GDK_F1)) << window;
        Event event;
        ASSERT_TRUE(takeEvent(event));
        EXPECT_EQ(event.window, WinMain);
        EXPECT_EQ(event.object, MenuMainF1);
    }
    // Keys of one window are not the keys of another.
    EXPECT_FALSE(pressKey(WinMain, GDK_F11));
    EXPECT_FALSE(pressKey(WinProtocol, GDK_Return));
}

TEST_F(Windows, CellEditingTakesTheKeysAwayAndGivesThemBack)
{
    showOrToggleWindow(WinProgram);
    pumpUntilIdle();
    setCellEditingShortcuts(WinProgram, true, false);
    for (guint key : {GDK_Return, GDK_Escape, GDK_Delete})
        EXPECT_FALSE(pressKey(WinProgram, key)) << key;
    EXPECT_FALSE(pressKey(WinProgram, GDK_c, GDK_CONTROL_MASK));
    EXPECT_FALSE(pressKey(WinProgram, GDK_v, GDK_CONTROL_MASK));
    EXPECT_TRUE(pressKey(WinProgram, GDK_F11));

    // With the editor panel shown, Delete stays away after the edit.
    setCellEditingShortcuts(WinProgram, false, true);
    EXPECT_TRUE(pressKey(WinProgram, GDK_Return));
    EXPECT_TRUE(pressKey(WinProgram, GDK_c, GDK_CONTROL_MASK));
    EXPECT_FALSE(pressKey(WinProgram, GDK_Delete));
    setCellEditingShortcuts(WinProgram, false, false);
    EXPECT_TRUE(pressKey(WinProgram, GDK_Delete));
}

TEST_F(Windows, DeleteKeyFollowsTheEditorPanelOnResize)
{
    showOrToggleWindow(WinCommandList);
    pumpUntilIdle();
    EXPECT_TRUE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
    send(EvMenu, WinCommandList, MenuCmdNewOnly);
    ASSERT_TRUE(editorPanelShown(IdCmdList));
    send(EvResize, WinCommandList, 0);
    EXPECT_FALSE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
    EXPECT_FALSE(pressKey(WinCommandList, GDK_Delete));
    send(EvControl, WinCommandList, IdCmdCancel);
    EXPECT_TRUE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
}

TEST_F(Windows, PopupMenusHoldTheirItemsInOrder)
{
    auto labels = [](int menu) {
        std::string all;
        for (const MenuEntry& entry : menuEntries(menu))
            all += entry.label + (entry.enabled ? "" : "(off)") + "|";
        return all;
    };
    EXPECT_EQ(labels(PopupCmdOneRow), "Eintrag löschen|Eintrag ändern|Eintrag duplizieren|"
                                      "Eintrag neu|---|Kopie in Programmfenster|");
    EXPECT_EQ(labels(PopupCmdOther), "Eintrag neu|");
    EXPECT_EQ(labels(PopupPrgNoRow), "aus Clipboard einfügen|");
    EXPECT_EQ(labels(PopupPrgOneRow),
              "Eintrag löschen|Eintrag ändern|---|Eintrag kopieren (Clipboard)|"
              "Eintrag einfügen (Clipboard)|---|Eintrag deaktivieren(off)|Eintrag aktivieren(off)|---|"
              "Eintrag 'ausführen'|---|Eintrag duplizieren|Mehrfachduplikate...|x 2|x 3|x 5|x 10|");
    EXPECT_EQ(labels(PopupPrgManyRows),
              "Einträge löschen|Einträge kopieren (Clipboard)|---|Einträge deaktivieren(off)|"
              "Einträge aktivieren(off)|---|Einträge duplizieren|---|Einträge-Pausen...|5|50|100|"
              "200|300|400|500|600|700|800|900|1000|1200|1500|2000|5000|");
    EXPECT_EQ(labels(PopupPtkListClipboard),
              "Clipboardübernahme als...(off)|Werte als Strings (kplt.)|Werte als Zahlen|---|"
              "Abfrage und Strings (kplt.)|Abfrage und Zahlenwerte|");
    EXPECT_EQ(labels(PopupPtkTableClipboard),
              "Clipboardübernahme als...(off)|Tabelle, mit Rahmendaten|Tabelle, nur Datenbereich|"
              "Tabellendaten + Überschrift|Tabellendaten + Zeilennum.|");
    EXPECT_EQ(labels(PopupPtkRows), "Zeile(n) löschen|Zeile      (off)|");

    // Items post menu events on their menu's window; pause item 32 carries "5".
    EXPECT_EQ(menuItemText(PopupPrgManyRows, MenuPrgPauseFirst), "5");
    EXPECT_EQ(menuItemText(PopupPrgManyRows, MenuPrgPauseLast), "5000");
    setMenuItemEnabled(PopupPrgOneRow, MenuPrgActivate, true);
    EXPECT_TRUE(menuItemEnabled(PopupPrgOneRow, MenuPrgActivate));
}

TEST_F(Windows, TitleMarkerSetsAndClearsTheStar)
{
    showOrToggleWindow(WinCommandList);
    showOrToggleWindow(WinProgram);
    pumpUntilIdle();
    auto title = [](int window) { return std::string(gtk_window_get_title(GTK_WINDOW(windowWidget(window)))); };

    setTitleMarker(IdPrgList, false);
    EXPECT_EQ(title(WinProgram), "Quirlo - Programm");
    EXPECT_FALSE(listChanged(IdPrgList));
    setTitleMarker(IdCmdList, true);
    EXPECT_EQ(title(WinCommandList), "*Quirlo - Geräte-Kommandoliste");
    EXPECT_TRUE(listChanged(IdCmdList));
    EXPECT_FALSE(listChanged(IdPrgList));
    setTitleMarker(IdCmdList, true);
    EXPECT_EQ(title(WinCommandList), "*Quirlo - Geräte-Kommandoliste");
    setTitleMarker(IdCmdList, false);
    EXPECT_EQ(title(WinCommandList), "Quirlo - Geräte-Kommandoliste");
    EXPECT_FALSE(listChanged(IdCmdList));
}

TEST_F(Windows, ProgramInfoEditorFillsAndTakesOverTheText)
{
    showOrToggleWindow(WinProgram);
    pumpUntilIdle();
    insertRow(WinProgram, IdPrgList, -1, {"0", "*RST", "100", "", "*RST"});
    programInfo = "Messplatz 3\tNetzteil Kanal 1";
    send(EvMenu, WinProgram, MenuPrgCtrlI);
    ASSERT_TRUE(windowVisible(WinProgramInfo));
    EXPECT_EQ(controlText(WinProgramInfo, IdInfoEditor), "Messplatz 3\nNetzteil Kanal 1");
    EXPECT_EQ(controlText(WinProgramInfo, IdInfoLineCount), "Programmzeilen: 1");

    // The close button keeps the text; Esc takes the editor's lines over.
    setControlText(WinProgramInfo, IdInfoEditor, "geändert\n");
    send(EvClose, WinProgramInfo, 0);
    EXPECT_FALSE(windowVisible(WinProgramInfo));
    EXPECT_EQ(programInfo, "Messplatz 3\tNetzteil Kanal 1");
    send(EvControl, WinProgram, IdPrgInfo);
    setControlText(WinProgramInfo, IdInfoEditor, "Zeile 1\nZeile 2\n");
    send(EvMenu, WinProgramInfo, MenuInfoEscape);
    EXPECT_FALSE(windowVisible(WinProgramInfo));
    EXPECT_EQ(programInfo, "Zeile 1\tZeile 2");

    // A tab inside a line must not split it when the editor opens again.
    send(EvControl, WinProgram, IdPrgInfo);
    setControlText(WinProgramInfo, IdInfoEditor, "U\t= 5 V\nI = 1 A");
    send(EvMenu, WinProgramInfo, MenuInfoEscape);
    send(EvControl, WinProgram, IdPrgInfo);
    EXPECT_EQ(controlText(WinProgramInfo, IdInfoEditor), "U = 5 V\nI = 1 A");
}

TEST_F(Windows, BuiltInImagesDecodeAndMissingOnesShowNothing)
{
    for (int id = 0; id < 46; ++id)
        EXPECT_NE(quirloImage(id), nullptr) << id;
    EXPECT_EQ(quirloImage(46), nullptr);
    EXPECT_EQ(quirloImage(-1), nullptr);
    GtkWidget* empty = quirloImageWidget(99);
    EXPECT_EQ(gtk_image_get_storage_type(GTK_IMAGE(empty)), GTK_IMAGE_EMPTY);
    g_object_ref_sink(empty);
    g_object_unref(empty);
    GList* icons = gtk_window_get_default_icon_list();
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->data, quirloImage(0));
    g_list_free(icons);
}

namespace {

enum class DialogAction { CloseByWindowManager, Yes, No, Ok };

struct DialogSeen {
    explicit DialogSeen(DialogAction action) : action(action) {}
    DialogAction action;
    std::string markup;
    bool modal = false;
    GtkWindow* transientFor = nullptr;
    std::string buttons; // their labels, "|" after each
};

// The labels of a dialog's buttons, "|" after each, as the dialog holds them (the last one
// first).
std::string buttonLabels(GtkWidget* dialog)
{
    std::string labels;
    GList* buttons = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(GTK_DIALOG(dialog))));
    for (GList* button = buttons; button; button = button->next)
        labels += std::string(gtk_button_get_label(GTK_BUTTON(button->data))) + "|";
    g_list_free(buttons);
    return labels;
}

GtkWidget* openMessageDialog()
{
    GList* toplevels = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* item = toplevels; item; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) && GTK_WIDGET_VISIBLE(item->data))
            found = GTK_WIDGET(item->data);
    }
    g_list_free(toplevels);
    return found;
}

// Acts on the real dialog once it shows, as a user or the window manager would.
gboolean actOnDialog(gpointer data)
{
    auto* seen = static_cast<DialogSeen*>(data);
    GtkWidget* dialog = openMessageDialog();
    if (!dialog)
        return G_SOURCE_CONTINUE;
    gchar* markup = nullptr;
    g_object_get(dialog, "text", &markup, nullptr);
    seen->markup = markup ? markup : "";
    g_free(markup);
    seen->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
    seen->buttons = buttonLabels(dialog);
    seen->transientFor = gtk_window_get_transient_for(GTK_WINDOW(dialog));
    switch (seen->action) {
    case DialogAction::CloseByWindowManager: {
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(dialog->window));
        event->any.send_event = TRUE;
        gtk_main_do_event(event);
        gdk_event_free(event);
        break;
    }
    case DialogAction::Yes: gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES); break;
    case DialogAction::No: gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO); break;
    case DialogAction::Ok: gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK); break;
    }
    return G_SOURCE_REMOVE;
}

int showRealDialog(DialogSeen& seen, int buttons, const std::string& text)
{
    g_timeout_add(20, actOnDialog, &seen);
    return messageBox(WinMain, "Quirlo", text, IconQuestion, buttons);
}

} // namespace

TEST_F(Windows, TheRealMessageDialogReturnsSixSevenOrTwo)
{
    setMessageResponder(nullptr);
    DialogSeen seen(DialogAction::CloseByWindowManager);
    EXPECT_EQ(showRealDialog(seen, ButtonsYesNo, "Applikation beenden?"), ResultClosed);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.transientFor, GTK_WINDOW(windowWidget(WinMain)));
    EXPECT_EQ(seen.markup, "<b>Quirlo</b>\n\nApplikation beenden?");

    // Quirlo's own German words, whatever the system's language.
    EXPECT_EQ(seen.buttons, "_Ja|_Nein|");
    seen = DialogSeen(DialogAction::Yes);
    EXPECT_EQ(showRealDialog(seen, ButtonsYesNo, "x"), ResultYes);
    seen = DialogSeen(DialogAction::No);
    EXPECT_EQ(showRealDialog(seen, 2, "x"), ResultNo);
    seen = DialogSeen(DialogAction::Ok);
    EXPECT_EQ(showRealDialog(seen, ButtonsOk, "x"), ResultYes);
    EXPECT_EQ(seen.buttons, "_OK|");
    seen = DialogSeen(DialogAction::CloseByWindowManager);
    EXPECT_EQ(showRealDialog(seen, ButtonsOk, "x"), ResultClosed);

    // Texts from files and devices show as they are, not as markup.
    seen = DialogSeen(DialogAction::Ok);
    showRealDialog(seen, ButtonsOk, "a<b & \"c\"");
    EXPECT_EQ(seen.markup, "<b>Quirlo</b>\n\na&lt;b &amp; &quot;c&quot;");
    EXPECT_EQ(openMessageDialog(), nullptr);
}

TEST_F(Windows, InfoEditorFollowsTheWindowSize)
{
    send(EvControl, WinMain, IdMainProgramButton);
    send(EvControl, WinProgram, IdPrgInfo);
    ASSERT_TRUE(windowVisible(WinProgramInfo));
    gtk_window_resize(GTK_WINDOW(windowWidget(WinProgramInfo)), 600, 300);
    ASSERT_TRUE(pumpUntil([] { return windowWidget(WinProgramInfo)->allocation.width == 600; }));
    int width = 0, height = 0;
    gtk_widget_get_size_request(gtk_widget_get_parent(controlWidget(WinProgramInfo, IdInfoEditor)),
                                &width, &height);
    EXPECT_EQ(width, 590);
    EXPECT_EQ(height, 260);
    GtkWidget* button = controlWidget(WinProgramInfo, IdInfoTakeOver);
    pumpUntil([button] { return button->allocation.x == 480; });
    EXPECT_EQ(button->allocation.x, 480);
    EXPECT_EQ(button->allocation.y, 268);
}

TEST_F(Windows, TheSaveChooserLeavesTheOverwriteQuestionToQuirlo)
{
    setFileResponder(nullptr);
    // The chooser's own question, when it would ask one; -1 until the chooser was seen.
    std::pair<int, std::string> seen{-1, ""};
    g_idle_add(
        [](gpointer data) -> gboolean {
            GList* windows = gtk_window_list_toplevels();
            GtkWidget* chooser = nullptr;
            for (GList* w = windows; w; w = w->next)
                if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data)))
                    chooser = GTK_WIDGET(w->data);
            g_list_free(windows);
            if (!chooser)
                return G_SOURCE_CONTINUE;
            auto* seen = static_cast<std::pair<int, std::string>*>(data);
            seen->first = gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser));
            seen->second = buttonLabels(chooser);
            gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
            return G_SOURCE_REMOVE;
        },
        &seen);
    EXPECT_EQ(fileDialog(WinMain, true, "Quirlo speichern", "*.log", machineDir), "");
    EXPECT_EQ(seen.first, 0);
    EXPECT_EQ(seen.second, "_Speichern|_Abbrechen|");
}

TEST_F(Windows, FieldsKeepOneLineWhateverIsTypedOrPasted)
{
    GtkWidget* field = controlWidget(WinSettings, IdSetErrQueryClear);
    gtk_entry_set_text(GTK_ENTRY(field), "");
    gint position = 0;
    gtk_editable_insert_text(GTK_EDITABLE(field), "*CLS\n", -1, &position);
    EXPECT_EQ(controlText(WinSettings, IdSetErrQueryClear), "*CLS");
    // Through the real clipboard, into the entry of an editable drop-down.
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(controlWidget(WinSettings, IdSetSubTerminator)));
    gtk_entry_set_text(GTK_ENTRY(entry), "");
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "4\t4\r\n", -1);
    gtk_editable_paste_clipboard(GTK_EDITABLE(entry));
    ASSERT_TRUE(pumpUntil([entry] { return *gtk_entry_get_text(GTK_ENTRY(entry)) != '\0'; }));
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "44");
}
