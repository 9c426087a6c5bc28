// The command list and program windows: editors, type choice, sorting, searching, in-place
// editing and row colours.
#include "gui/harness.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include "app/shell_state.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/popup_menus.h"
#include "ui/shortcuts.h"
#include "ui/windows.h"

namespace {

class ListWindows : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        send(EvControl, WinMain, IdMainCommandListButton);
        send(EvControl, WinMain, IdMainProgramButton);
        ASSERT_TRUE(waitForSize(WinCommandList, 615, 510));
        ASSERT_TRUE(waitForSize(WinProgram, 640, 482));
    }

    int addCommand(const std::string& type, const std::string& command, const std::string& pause,
                   const std::string& description)
    {
        return insertRow(WinCommandList, IdCmdList, -1, {type, command, pause, description});
    }
    std::string command(int row) { return cellText(WinCommandList, IdCmdList, row, 1); }
    std::vector<std::string> commands()
    {
        std::vector<std::string> all;
        for (int row = 0; row < rowCount(WinCommandList, IdCmdList); ++row)
            all.push_back(command(row));
        return all;
    }
    void select(int row)
    {
        clearSelection(WinCommandList, IdCmdList);
        selectRow(WinCommandList, IdCmdList, row, false);
    }
    std::string title(int window) { return gtk_window_get_title(GTK_WINDOW(windowWidget(window))); }
    int height(int window) { return windowWidget(window)->allocation.height; }
    void chooseType(int code)
    {
        gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinCommandList, IdCmdTypeBox)), code);
        pumpUntilIdle();
    }
};

} // namespace

TEST_F(ListWindows, OkayAppendsWithoutSelectionAndReplacesInPlace)
{
    addCommand("0", "*RST", "100", "Reset");
    addCommand("1", "VOLT?", "50", "Spannung");
    EXPECT_EQ(title(WinCommandList), "Quirlo - Gerätekommandoliste");

    // Return without a selection takes over the hidden editor's fields as a new entry.
    send(EvMenu, WinCommandList, MenuCmdReturn);
    ASSERT_EQ(rowCount(WinCommandList, IdCmdList), 3);
    EXPECT_EQ(command(2), "Neuer Eintrag");
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 2, 2), "1000");
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 2, 3), "Kommando");
    EXPECT_EQ(title(WinCommandList), "*Quirlo - Geräte-Kommandoliste");
    EXPECT_TRUE(listChanged(IdCmdList));

    select(1);
    send(EvControl, WinCommandList, IdCmdList, CtlActivate);
    ASSERT_TRUE(editorPanelShown(IdCmdList));
    ASSERT_TRUE(waitForSize(WinCommandList, 615, 630));
    pumpUntil([] { return controlWidget(WinCommandList, IdCmdEditorPanel)->allocation.y == 630 - 120; });
    GtkWidget* okay = controlWidget(WinCommandList, IdCmdOkay);
    EXPECT_TRUE(GTK_WIDGET_MAPPED(okay));
    EXPECT_EQ(controlWidget(WinCommandList, IdCmdEditorPanel)->allocation.y, 630 - 120);
    EXPECT_EQ(gtk_widget_get_parent(controlWidget(WinCommandList, IdCmdList))->allocation.height, 630 - 164);
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(windowWidget(WinCommandList))), okay);
    EXPECT_FALSE(controlEnabled(WinCommandList, IdCmdList));
    EXPECT_EQ(controlText(WinCommandList, IdCmdOkay), "Ändern");
    EXPECT_EQ(controlText(WinCommandList, IdCmdCommandField), "VOLT?");
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "50");
    EXPECT_FALSE(shortcutActive(WinCommandList, MenuCmdDeleteKey));

    setControlText(WinCommandList, IdCmdCommandField, "VOLT:DC?");
    send(EvMenu, WinCommandList, MenuCmdReturn);
    EXPECT_FALSE(editorPanelShown(IdCmdList));
    EXPECT_TRUE(controlEnabled(WinCommandList, IdCmdList));
    EXPECT_TRUE(waitForSize(WinCommandList, 615, 510));
    EXPECT_TRUE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
    EXPECT_EQ(commands(), (std::vector<std::string>{"*RST", "VOLT:DC?", "Neuer Eintrag"}));
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 1, 0), "1");
}

TEST_F(ListWindows, ReturnAndEscapeNeverLoseAnEntry)
{
    addCommand("0", "*RST", "100", "Reset");
    select(0);
    // With a selection and the editor hidden: Return opens the editor, Escape does nothing.
    send(EvMenu, WinCommandList, MenuCmdEscape);
    EXPECT_FALSE(editorPanelShown(IdCmdList));
    send(EvMenu, WinCommandList, MenuCmdReturn);
    ASSERT_TRUE(editorPanelShown(IdCmdList));
    setControlText(WinCommandList, IdCmdCommandField, "verworfen");
    send(EvMenu, WinCommandList, MenuCmdEscape);
    EXPECT_FALSE(editorPanelShown(IdCmdList));
    EXPECT_EQ(commands(), std::vector<std::string>{"*RST"});
    EXPECT_FALSE(listChanged(IdCmdList));

    // Ctrl+N/O/S do nothing while the editor is open.
    send(EvMenu, WinCommandList, MenuCmdReturn);
    fileAnswers = {"/nonexistent.cml"};
    send(EvMenu, WinCommandList, MenuCmdCtrlO);
    EXPECT_TRUE(fileRequests.empty());
    send(EvControl, WinCommandList, IdCmdCancel);
    EXPECT_EQ(rowCount(WinCommandList, IdCmdList), 1);
}

TEST_F(ListWindows, TypeChoiceFillsBlanksByType)
{
    send(EvMenu, WinCommandList, MenuCmdNew);
    ASSERT_TRUE(editorPanelShown(IdCmdList));
    EXPECT_EQ(controlText(WinCommandList, IdCmdOkay), "Neu");
    setControlText(WinCommandList, IdCmdCommandField, "MEAS:VOLT?");
    setControlText(WinCommandList, IdCmdDescriptionField, "misst");
    setControlText(WinCommandList, IdCmdPauseField, "250");

    chooseType(1);
    EXPECT_EQ(controlText(WinCommandList, IdCmdCommandField), "MEAS:VOLT?");
    EXPECT_EQ(controlText(WinCommandList, IdCmdDescriptionField), "misst");
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "250");

    chooseType(2);
    EXPECT_EQ(controlText(WinCommandList, IdCmdCommandField), "OpenPort <i>");
    EXPECT_EQ(controlText(WinCommandList, IdCmdDescriptionField),
              "OpenPort <i>: öffnet Port 'i', OpenPort: öffnet intitialisierte ComPorts ( <i> löschen).");
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "250");

    chooseType(3);
    EXPECT_EQ(controlText(WinCommandList, IdCmdCommandField), "ClosePort <i>");
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "250");

    chooseType(7);
    EXPECT_EQ(controlText(WinCommandList, IdCmdCommandField), "CellPos <i>,<i>");
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "0");

    send(EvControl, WinCommandList, IdCmdOkay);
    ASSERT_EQ(rowCount(WinCommandList, IdCmdList), 1);
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 0, 0), "7");
}

TEST_F(ListWindows, PauseFieldsTakeDigitsOnly)
{
    GtkEditable* pause = GTK_EDITABLE(controlWidget(WinCommandList, IdCmdPauseField));
    gtk_editable_delete_text(pause, 0, -1);
    gint position = 0;
    gtk_editable_insert_text(pause, "1a2-3 ms", 8, &position);
    EXPECT_EQ(controlText(WinCommandList, IdCmdPauseField), "123");
    GtkEditable* programPause = GTK_EDITABLE(controlWidget(WinProgram, IdPrgPauseField));
    position = 0;
    gtk_editable_insert_text(programPause, "x", 1, &position);
    EXPECT_EQ(controlText(WinProgram, IdPrgPauseField), "9999");
}

TEST_F(ListWindows, TypeCodesOutsideTheChoiceStayAsTheyAre)
{
    addCommand("99", "SONDER", "5", "unbekannt");
    addCommand("-3", "NEG", "5", "");
    addCommand("abc", "TEXT", "5", "");
    for (int row = 0; row < 3; ++row) {
        select(row);
        send(EvControl, WinCommandList, IdCmdList, CtlActivate);
        EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(controlWidget(WinCommandList, IdCmdTypeBox))),
                  row == 2 ? 0 : -1);
        send(EvControl, WinCommandList, IdCmdOkay);
    }
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 0, 0), "99");
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 1, 0), "-3");
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 2, 0), "0");
}

TEST_F(ListWindows, LongAndUmlautCellsAreKeptWhole)
{
    std::string longText(10000, 'x');
    longText += "Größe";
    addCommand("0", longText, "1", "Prüfspannung µV");
    select(0);
    send(EvMenu, WinCommandList, MenuCmdChange);
    send(EvControl, WinCommandList, IdCmdOkay);
    EXPECT_EQ(command(0), longText);
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 0, 3), "Prüfspannung µV");
}

TEST_F(ListWindows, ProgramEditorLocksTheWindowAndReplacesFourCells)
{
    insertRow(WinProgram, IdPrgList, -1, {"0", "VOLT <f>", "100", "1.5", "VOLT 1.5"});
    selectRow(WinProgram, IdPrgList, 0, false);
    send(EvControl, WinProgram, IdPrgList, CtlActivate);
    ASSERT_TRUE(editorPanelShown(IdPrgList));
    ASSERT_TRUE(waitForSize(WinProgram, 640, 572));
    pumpUntil([] { return controlWidget(WinProgram, IdPrgEditorPanel)->allocation.y == 572 - 87; });
    EXPECT_TRUE(GTK_WIDGET_MAPPED(controlWidget(WinProgram, IdPrgParamField)));
    EXPECT_EQ(controlWidget(WinProgram, IdPrgEditorPanel)->allocation.y, 572 - 87);
    for (int id : {IdPrgList, IdPrgClear, IdPrgLoad, IdPrgSave, IdPrgCheck, IdPrgPortButton, IdPrgRun})
        EXPECT_FALSE(controlEnabled(WinProgram, id)) << id;
    EXPECT_EQ(controlText(WinProgram, IdPrgParamField), "1.5");
    EXPECT_EQ(rowColour(WinProgram, IdPrgList, 0), "#000000");

    setControlText(WinProgram, IdPrgParamField, "2.5");
    setControlText(WinProgram, IdPrgPauseField, "300");
    send(EvMenu, WinProgram, MenuPrgReturn);
    EXPECT_FALSE(editorPanelShown(IdPrgList));
    EXPECT_TRUE(waitForSize(WinProgram, 640, 482));
    for (int id : {IdPrgList, IdPrgClear, IdPrgRun})
        EXPECT_TRUE(controlEnabled(WinProgram, id)) << id;
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 0, 2), "300");
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 0, 3), "2.5");
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 0, 4), "VOLT 1.5");
    EXPECT_EQ(title(WinProgram), "*Quirlo - Programm");

    // Without a selection "Okay" appends a coloured row.
    clearSelection(WinProgram, IdPrgList);
    send(EvControl, WinProgram, IdPrgInfo);
    send(EvControl, WinProgram, IdPrgInfo);
    setControlText(WinProgram, IdPrgTypeField, "5");
    send(EvControl, WinProgram, IdPrgOkay);
    ASSERT_EQ(rowCount(WinProgram, IdPrgList), 2);
    EXPECT_EQ(rowColour(WinProgram, IdPrgList, 1), "#0000ff");
}

TEST_F(ListWindows, SortingComparesTwelveCharactersThenSelectionThenTheRow)
{
    addCommand("0", "alpha", "1", "z");
    addCommand("0", "Zeta", "1", "y");
    addCommand("0", "MEASURE:VOLT:DC?", "1", "b");
    addCommand("0", "MEASURE:VOLT:AC?", "1", "a");
    addCommand("0", "beta", "1", "x");

    send(EvControl, WinCommandList, IdCmdList, CtlHeaderClick);
    EXPECT_FALSE(commandListSorted());
    Event header;
    header.kind = EvControl;
    header.window = WinCommandList;
    header.object = IdCmdList;
    header.type = CtlHeaderClick;
    header.column = 1;
    postEvent(header);
    pumpUntilIdle();
    ASSERT_TRUE(commandListSorted());
    EXPECT_TRUE(controlEnabled(WinCommandList, IdCmdRestoreOrder));
    // First click: descending byte order, so lower case before upper case and Z before A.
    EXPECT_EQ(commands(), (std::vector<std::string>{"beta", "alpha", "Zeta", "MEASURE:VOLT:DC?",
                                                    "MEASURE:VOLT:AC?"}));
    postEvent(header);
    pumpUntilIdle();
    EXPECT_EQ(commands(), (std::vector<std::string>{"MEASURE:VOLT:AC?", "MEASURE:VOLT:DC?", "Zeta",
                                                    "alpha", "beta"}));

    // A tie on twelve characters falls to the selection state before the rest of the row:
    // selected, "AC" sorts above "DC" in descending order.
    select(0);
    postEvent(header);
    pumpUntilIdle();
    EXPECT_EQ(command(3), "MEASURE:VOLT:AC?");
    EXPECT_EQ(command(4), "MEASURE:VOLT:DC?");

    header.column = 3;
    postEvent(header);
    pumpUntilIdle();
    EXPECT_EQ(commands(), (std::vector<std::string>{"alpha", "Zeta", "beta", "MEASURE:VOLT:DC?",
                                                    "MEASURE:VOLT:AC?"}));
    EXPECT_EQ(selectedRow(WinCommandList, IdCmdList), 4);

    send(EvControl, WinCommandList, IdCmdRestoreOrder);
    EXPECT_EQ(commands(), (std::vector<std::string>{"alpha", "Zeta", "MEASURE:VOLT:DC?",
                                                    "MEASURE:VOLT:AC?", "beta"}));
    EXPECT_FALSE(commandListSorted());
    EXPECT_FALSE(controlEnabled(WinCommandList, IdCmdRestoreOrder));
}

TEST_F(ListWindows, SearchSelectsTheNextMatchAndUndoesAFailedKey)
{
    addCommand("0", "*RST", "1", "");
    addCommand("1", "MEAS:VOLT?", "1", "");
    addCommand("1", "meas:curr?", "1", "");
    GtkEditable* field = GTK_EDITABLE(controlWidget(WinCommandList, IdCmdSearchField));
    gint position = 0;
    gtk_editable_insert_text(field, "meas", 4, &position);
    gtk_editable_set_position(field, position);
    pumpUntilIdle();
    EXPECT_EQ(selectedRow(WinCommandList, IdCmdList), 1);

    send(EvControl, WinCommandList, IdCmdSearchNext);
    EXPECT_EQ(selectedRow(WinCommandList, IdCmdList), 2);
    // The button does not wrap: at the end the search fails like a failed key.
    send(EvControl, WinCommandList, IdCmdSearchNext);
    EXPECT_EQ(selectedRow(WinCommandList, IdCmdList), -1);
    EXPECT_EQ(controlText(WinCommandList, IdCmdSearchField), "mea");

    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(windowWidget(WinCommandList)), &x, &y);
    position = 3;
    gtk_editable_insert_text(field, "x", 1, &position);
    gtk_editable_set_position(field, position);
    pumpUntilIdle();
    EXPECT_EQ(controlText(WinCommandList, IdCmdSearchField), "mea");
    EXPECT_EQ(selectedRow(WinCommandList, IdCmdList), -1);
    int afterX = 0, afterY = 0;
    gtk_window_get_position(GTK_WINDOW(windowWidget(WinCommandList)), &afterX, &afterY);
    EXPECT_EQ(afterX, x);
}

TEST_F(ListWindows, InPlaceEditsChangeTheCellAndGiveTheKeysBack)
{
    addCommand("0", "*RST", "100", "Reset");
    GtkCellRenderer* pause = listRenderer(WinCommandList, IdCmdList, 2);
    gboolean editable = FALSE;
    g_object_get(pause, "editable", &editable, nullptr);
    EXPECT_TRUE(editable);
    g_object_get(listRenderer(WinCommandList, IdCmdList, 0), "editable", &editable, nullptr);
    EXPECT_FALSE(editable);
    g_object_get(listRenderer(WinProgram, IdPrgList, 4), "editable", &editable, nullptr);
    EXPECT_FALSE(editable);

    GtkWidget* entry = gtk_entry_new();
    g_object_ref_sink(entry);
    g_signal_emit_by_name(pause, "editing-started", entry, "0");
    EXPECT_FALSE(shortcutActive(WinCommandList, MenuCmdReturn));
    EXPECT_FALSE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
    g_signal_emit_by_name(pause, "edited", "0", "abc");
    EXPECT_EQ(cellText(WinCommandList, IdCmdList, 0, 2), "abc");
    EXPECT_TRUE(shortcutActive(WinCommandList, MenuCmdReturn));
    EXPECT_TRUE(shortcutActive(WinCommandList, MenuCmdDeleteKey));
    // What a save would write has changed: the list is marked.
    EXPECT_TRUE(listChanged(IdCmdList));

    GtkCellRenderer* parameter = listRenderer(WinProgram, IdPrgList, 3);
    insertRow(WinProgram, IdPrgList, -1, {"0", "VOLT <f>", "100", "1", ""});
    g_signal_emit_by_name(parameter, "editing-started", entry, "0");
    EXPECT_FALSE(shortcutActive(WinProgram, MenuPrgCtrlC));
    g_signal_emit_by_name(parameter, "editing-canceled");
    EXPECT_TRUE(shortcutActive(WinProgram, MenuPrgCtrlC));
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 0, 3), "1");
    g_object_unref(entry);
}

TEST_F(ListWindows, ACommandGoesIntoTheProgramByMenuAndByDrop)
{
    addCommand("1", "VOLT?", "50", "Spannung lesen");
    addCommand("0", "VOLT <f>", "100", "Spannung setzen");
    auto program = [] {
        std::vector<std::string> rows;
        for (int row = 0; row < rowCount(WinProgram, IdPrgList); ++row)
            rows.push_back(cellText(WinProgram, IdPrgList, row, 1) + "|" + cellText(WinProgram, IdPrgList, row, 3));
        return rows;
    };
    select(0);
    send(EvMenu, WinCommandList, MenuCmdCopyToProgram);
    EXPECT_EQ(program(), std::vector<std::string>{"VOLT?|"});
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 0, 2), "50");
    EXPECT_TRUE(listChanged(IdPrgList));

    // Over a selected row the menu asks; "Yes" replaces it and keeps its parameters.
    setCellText(WinProgram, IdPrgList, 0, 3, "7");
    selectRow(WinProgram, IdPrgList, 0, false);
    select(1);
    messageAnswers = {ResultYes};
    send(EvMenu, WinCommandList, MenuCmdCopyToProgram);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Selektierte(n) Eintrag/Einträge im \nAblauffenster überschreiben?");
    EXPECT_EQ(program(), std::vector<std::string>{"VOLT <f>|7"});

    // A move drop goes in before the selected row, a link drop replaces it.
    Event drop;
    drop.kind = EvDrop;
    drop.window = WinProgram;
    drop.object = IdPrgList;
    drop.dropType = IdCmdList;
    drop.dropAction = GDK_ACTION_MOVE;
    select(0);
    postEvent(drop);
    pumpUntilIdle();
    EXPECT_EQ(program(), (std::vector<std::string>{"VOLT?|7", "VOLT <f>|7"}));
    drop.dropAction = GDK_ACTION_LINK;
    select(0);
    clearSelection(WinProgram, IdPrgList);
    selectRow(WinProgram, IdPrgList, 1, false);
    postEvent(drop);
    pumpUntilIdle();
    EXPECT_EQ(program(), (std::vector<std::string>{"VOLT?|7", "VOLT?|7"}));
    EXPECT_EQ(selectedRows(WinProgram, IdPrgList), std::vector<int>{1});
}

// A person's first right click into the empty, just opened command list shows its menu, and the
// empty list says how to begin.
TEST_F(ListWindows, TheFirstRightClickIntoTheEmptyCommandListShowsItsMenu)
{
    GtkWidget* view = controlWidget(WinCommandList, IdCmdList);
    ASSERT_EQ(rowCount(WinCommandList, IdCmdList), 0);
    gchar* tip = gtk_widget_get_tooltip_text(view);
    EXPECT_STREQ(tip, "Rechtsklick: Eintrag neu");
    g_free(tip);
    GdkWindow* rows = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view));
    // The button comes up after the menu opened, as a person's does.
    ASSERT_TRUE(gdk_test_simulate_button(rows, 40, 40, 3, GdkModifierType(0), GDK_BUTTON_PRESS));
    ASSERT_TRUE(pumpUntil([] { return gtk_widget_get_visible(popupMenuWidget(PopupCmdOther)); }));
    ASSERT_TRUE(gdk_test_simulate_button(rows, 40, 40, 3, GdkModifierType(0), GDK_BUTTON_RELEASE));
    pumpUntilIdle();
    EXPECT_TRUE(gtk_widget_get_visible(popupMenuWidget(PopupCmdOther)));
    gtk_menu_popdown(GTK_MENU(popupMenuWidget(PopupCmdOther)));
    // An entry made, the tip is no longer needed.
    addCommand("0", "*RST", "100", "Reset");
    pumpUntilIdle();
    EXPECT_FALSE(gtk_widget_get_has_tooltip(view));
}
