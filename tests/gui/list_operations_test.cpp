// List files and list editing through their menu items, keys and drops, with the file chooser
// and the message dialog scripted and the real clipboard.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include "app/settings_ini.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "lists/list_files.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

class ListOperations : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        send(EvControl, WinMain, IdMainProgramButton);
        send(EvControl, WinMain, IdMainCommandListButton);
    }
    void program(std::initializer_list<std::vector<std::string>> rows)
    {
        for (const auto& cells : rows)
            insertRow(WinProgram, IdPrgList, -1, cells);
    }
    std::vector<std::string> rows()
    {
        std::vector<std::string> result;
        for (int row = 0; row < rowCount(WinProgram, IdPrgList); ++row)
            result.push_back(cellText(WinProgram, IdPrgList, row, 0) + "|" + cellText(WinProgram, IdPrgList, row, 1) +
                             "|" + cellText(WinProgram, IdPrgList, row, 3) + "|" +
                             std::to_string(rowData(WinProgram, IdPrgList, row)));
        return result;
    }
    void selectOnly(std::initializer_list<int> selection)
    {
        clearSelection(WinProgram, IdPrgList);
        for (int row : selection)
            selectRow(WinProgram, IdPrgList, row, false);
    }
};

} // namespace

TEST_F(ListOperations, AProgramSurvivesSaveClearAndLoad)
{
    program({{"1", "VOLT?", "100", "", ""}, {"8", "Write <s>", "10", "Größe Ω", ""}});
    programInfo = "Messung\tAufbau";
    selectOnly({0});
    send(EvMenu, WinProgram, MenuPrgDeactivate);
    EXPECT_TRUE(listChanged(IdPrgList));
    fileAnswers = {machineDir + "/mess"};
    send(EvMenu, WinProgram, MenuPrgCtrlS);
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].title, "Quirlo speichern: Programm wählen");
    EXPECT_FALSE(listChanged(IdPrgList));
    EXPECT_EQ(controlText(WinProgram, IdPrgSetField), "mess.run");
    std::string bytes;
    ASSERT_TRUE(readWholeFile(machineDir + "/mess.run", bytes));
    // "Ω" has no Latin-1 form: the file is UTF-8 rather than losing it.
    EXPECT_EQ(bytes, "254\tMessung\tAufbau\n11\tVOLT?\t100\t\t1\n8\tWrite <s>\t10\tGröße Ω\n");

    messageAnswers = {ResultYes};
    send(EvControl, WinProgram, IdPrgClear);
    ASSERT_EQ(messages.back().text, "Komplette Programm-Liste leeren?");
    EXPECT_EQ(rowCount(WinProgram, IdPrgList), 0);
    EXPECT_EQ(programInfo, "");

    fileAnswers = {machineDir + "/mess.run"};
    send(EvMenu, WinProgram, MenuPrgCtrlO);
    EXPECT_EQ(rows(), (std::vector<std::string>{"11|VOLT?||1", "8|Write <s>|Größe Ω|0"}));
    EXPECT_EQ(programInfo, "Messung\tAufbau");
    selectOnly({0});
    send(EvMenu, WinProgram, MenuPrgActivate);
    EXPECT_EQ(rows()[0], "1|VOLT?||0");
}

TEST_F(ListOperations, AFailedLoadKeepsTheListAndAnAppendMarksIt)
{
    program({{"0", "*RST", "10", "", ""}});
    setControlText(WinProgram, IdPrgSetField, "alt.run");
    messageAnswers = {ResultYes};
    fileAnswers = {machineDir + "/fehlt.run"};
    send(EvControl, WinProgram, IdPrgLoad);
    EXPECT_EQ(messages.back().text, "Datei konnte nicht geladen werden!\n" + machineDir + "/fehlt.run");
    EXPECT_EQ(rows(), std::vector<std::string>{"0|*RST||0"});
    EXPECT_EQ(controlText(WinProgram, IdPrgSetField), "alt.run");

    // "No" appends; old port keywords are corrected and said so.
    writeMachineFile("alt.run", "2\tOpenCom 1\t10\t1\r\n");
    messages.clear();
    messageAnswers = {ResultNo};
    fileAnswers = {machineDir + "/alt.run"};
    send(EvControl, WinProgram, IdPrgLoad);
    EXPECT_EQ(rows(), (std::vector<std::string>{"0|*RST||0", "2|OpenPort 1|1|0"}));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Programm:\nPortbefehle wurden korrigiert\nProgramm neu speichern!");
    EXPECT_TRUE(listChanged(IdPrgList));
}

TEST_F(ListOperations, DuplicatesMovesAndPausesKeepDeactivatedEntries)
{
    program({{"1", "VOLT?", "100", "", ""}, {"0", "*RST", "10", "", ""}});
    selectOnly({0, 1});
    send(EvMenu, WinProgram, MenuPrgDeactivateMany);
    EXPECT_EQ(rows(), (std::vector<std::string>{"11|VOLT?||1", "11|*RST||0"}));
    // Rows already deactivated keep their saved type.
    send(EvMenu, WinProgram, MenuPrgDeactivateMany);
    EXPECT_EQ(rows()[0], "11|VOLT?||1");
    setTitleMarker(IdPrgList, false);
    send(EvMenu, WinProgram, MenuPrgPauseFirst);
    EXPECT_EQ(cellText(WinProgram, IdPrgList, 1, 2), "5");
    EXPECT_TRUE(listChanged(IdPrgList));

    selectOnly({0});
    send(EvMenu, WinProgram, MenuPrgTimes3);
    EXPECT_EQ(rowCount(WinProgram, IdPrgList), 5);
    EXPECT_EQ(rows().back(), "11|VOLT?||1");

    // A moved entry keeps its saved type too.
    shell.programDragRow = 0;
    shell.programDragCount = 1;
    Event drop;
    drop.kind = EvDrop;
    drop.window = WinProgram;
    drop.object = IdPrgList;
    drop.dropType = IdPrgList;
    drop.dropRow = 2;
    postEvent(drop);
    pumpUntilIdle();
    EXPECT_EQ(rows()[1], "11|VOLT?||1");
    EXPECT_EQ(rows()[0], "11|*RST||0");
    EXPECT_EQ(selectedRows(WinProgram, IdPrgList), std::vector<int>{1});
}

TEST_F(ListOperations, EntriesGoThroughTheRealClipboard)
{
    program({{"1", "VOLT?", "100", "", "VOLT?"}, {"0", "*RST", "10", "", "*RST"}, {"0", "*CLS", "10", "", "*CLS"}});
    selectOnly({0, 1});
    send(EvMenu, WinProgram, MenuPrgCtrlC);
    selectOnly({2});
    send(EvMenu, WinProgram, MenuPrgCtrlV);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1|VOLT?||0", "0|*RST||0", "1|VOLT?||0", "0|*RST||0", "0|*CLS||0"}));

    // A deactivated query comes back from the clipboard as a query when activated.
    selectOnly({0});
    send(EvMenu, WinProgram, MenuPrgDeactivate);
    send(EvMenu, WinProgram, MenuPrgCtrlC);
    selectOnly({4});
    send(EvMenu, WinProgram, MenuPrgCtrlV);
    selectOnly({4});
    send(EvMenu, WinProgram, MenuPrgActivate);
    EXPECT_EQ(rows()[4], "1|VOLT?||0");
    send(EvMenu, WinProgram, MenuPrgDelete);

    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "kein Programm", -1);
    send(EvMenu, WinProgram, MenuPrgCtrlV);
    EXPECT_EQ(messages.back().text, "Im Clipboard befindet sich kein Programm-Listing.");
    EXPECT_EQ(rowCount(WinProgram, IdPrgList), 5);
}

namespace {

class AutoLoad : public QuirloTest {
protected:
    void prepareMachine() override
    {
        writeMachineFile("netz.cml", "1\t*IDN?\t100\tIdentifikation\n");
        writeMachineFile("Quirlo.ini", "[WINDOWPOS]\nWinCmdOn = 1\nWinPrgOn = 1\n[APPLIKATION]\nAppAboutAuto = 0\n"
                                       "[AUTOLOAD]\nAutoCommandLoadOn = 1\nCommandFile = " + machineDir + "/netz.cml\n"
                                       "AutoProgrammLoadOn = 1\nProgrammFile = " + machineDir + "/fehlt.run\n");
    }
};

} // namespace

TEST_F(AutoLoad, TheStartUpLoadsTheChosenListsAndNamesAMissingOne)
{
    ASSERT_TRUE(pumpUntil([] { return !timerActive(WinMain, TimerStartup); }));
    EXPECT_EQ(rowCount(WinCommandList, IdCmdList), 1);
    EXPECT_EQ(controlText(WinCommandList, IdCmdSetField), "netz.cml");
    EXPECT_FALSE(listChanged(IdCmdList));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, machineDir + "/fehlt.run existiert nicht!");
}

namespace {

// Auto-load on for both lists, no file chosen; the last session loaded or saved two lists.
class AutoLoadWithoutAFile : public QuirloTest {
protected:
    void prepareMachine() override
    {
        writeMachineFile("netz.cml", "1\t*IDN?\t100\tIdentifikation\n");
        writeMachineFile("Quirlo.ini", "[WINDOWPOS]\nWinCmdOn = 1\nWinPrgOn = 1\n[APPLIKATION]\nAppAboutAuto = 0\n"
                                       "[AUTOLOAD]\nAutoCommandLoadOn = 1\nCommandFile = \n"
                                       "AutoProgrammLoadOn = 0\nProgrammFile = \n"
                                       "[LASTFILES]\nCommandFile = " + machineDir + "/netz.cml\n"
                                       "ProgramFile = " + machineDir + "/alt.run\n");
    }
};

} // namespace

TEST_F(AutoLoadWithoutAFile, TheLastListComesBackAndIsKeptForTheNextStart)
{
    ASSERT_TRUE(pumpUntil([] { return !timerActive(WinMain, TimerStartup); }));
    EXPECT_EQ(rowCount(WinCommandList, IdCmdList), 1);
    EXPECT_EQ(controlText(WinCommandList, IdCmdSetField), "netz.cml");
    // The program's auto-load is off: nothing is loaded, but its last file stays known.
    EXPECT_EQ(rowCount(WinProgram, IdPrgList), 0);
    EXPECT_TRUE(messages.empty());
    saveIniFile();
    std::string ini;
    ASSERT_TRUE(readWholeFile(machineDir + "/Quirlo.ini", ini));
    const std::string kept =
        "[LASTFILES]\nCommandFile = " + machineDir + "/netz.cml\nProgramFile = " + machineDir + "/alt.run\n";
    EXPECT_NE(ini.find(kept), std::string::npos) << ini;
}

TEST_F(ListOperations, ADroppedRowGoesWhereThePointerIsNotWhereTheSelectionIs)
{
    program({{"0", "A", "10", "", "A"},
             {"0", "B", "10", "", "B"},
             {"0", "C", "10", "", "C"},
             {"0", "D", "10", "", "D"}});
    GtkWidget* view = controlWidget(WinProgram, IdPrgList);
    ASSERT_TRUE(pumpUntil([view] { return gtk_widget_get_mapped(view); }));
    // Row 0 is dragged, and still selected when it is dropped on the upper part of row 3.
    selectOnly({0});
    send(EvControl, WinProgram, IdPrgList, CtlDragStart);
    ASSERT_EQ(shell.programDragRow, 0);
    GdkRectangle cell;
    GtkTreePath* path = gtk_tree_path_new_from_indices(3, -1);
    gtk_tree_view_get_cell_area(GTK_TREE_VIEW(view), path, nullptr, &cell);
    gtk_tree_path_free(path);
    gint x = 0, y = 0;
    gtk_tree_view_convert_bin_window_to_widget_coords(GTK_TREE_VIEW(view), 20, cell.y + cell.height / 4, &x, &y);
    // The toolkit's own drop signal, with the pointer's place as a real drop gives it.
    GdkDragContext* context = gdk_drag_context_new();
    context->action = GDK_ACTION_LINK;
    context->protocol = GDK_DRAG_PROTO_NONE;
    GtkSelectionData data{};
    g_signal_emit_by_name(view, "drag-data-received", context, x, y, &data, guint(IdPrgList), guint(0));
    pumpUntilIdle();
    EXPECT_EQ(rows(), (std::vector<std::string>{"0|B||0", "0|C||0", "0|A||0", "0|D||0"}));
    g_object_unref(context);
}
