// The protocol list and table through protocolOut, and the protocol settings.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include "protocol/protocol_settings.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/run_state.h"
#include "serial/port_table.h"
#include "serial/pty.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/popup_menus.h"
#include "ui/resources.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

class Protocol : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        currentPort = 0;
    }

    std::string cell(int row, int column) { return cellText(WinProtocol, IdPtkList, row, column); }
    int rows() { return rowCount(WinProtocol, IdPtkList); }

    void setField(int id, const std::string& text) { setControlText(WinSettings, id, text); }
    void chooseTable(int columns = 10)
    {
        if (!windowExists(WinProtocol))
            send(EvControl, WinMain, IdMainProtocolButton);
        setToggleState(WinSettings, IdSetAsTable, true);
        setField(IdSetColumns, std::to_string(columns));
        send(EvControl, WinSettings, IdSetApplyProtocol);
        ASSERT_EQ(protocol.protocolMode, ModeTable);
    }
    void chooseContent(int content)
    {
        gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetTableContent)), content);
    }
    void writeResponse(int row, int column, const std::string& response)
    {
        protocol.cellRow = row;
        protocol.cellCol = column;
        protocolOut(response, 255, "");
        pumpUntilIdle();
    }
    bool warningShown()
    {
        GtkWidget* indicator = controlWidget(WinProtocol, IdPtkLimitIndicator);
        return gtk_image_get_pixbuf(GTK_IMAGE(indicator)) == quirloImage(28);
    }
};

} // namespace

TEST_F(Protocol, NothingIsRecordedWithoutACurrentPort)
{
    currentPort = -1;
    protocolOut("Query:\n*IDN?", 1, "");
    pumpUntilIdle();
    EXPECT_FALSE(windowExists(WinProtocol));
    currentPort = 0;
    protocolOut("Query:\n*IDN?", 1, "");
    pumpUntilIdle();
    ASSERT_TRUE(windowVisible(WinProtocol));
    EXPECT_TRUE(windowVisible(WinProgram));
    EXPECT_EQ(rows(), 1);
}

TEST_F(Protocol, EveryByteFromADeviceReachesTheViewAsValidText)
{
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c == '\n' ? ' ' : c);
    auto allShown = [](const std::string& text) {
        return g_utf8_validate(text.c_str(), -1, nullptr) && g_utf8_strlen(text.c_str(), -1) == 256;
    };
    protocolOut("Response:\n" + bytes, 255, bytes);
    EXPECT_TRUE(allShown(cell(0, 1)));
    EXPECT_TRUE(allShown(cell(0, 3)));
    chooseTable();
    protocol.cellRow = 1;
    protocolOut(bytes, 8, "");
    EXPECT_TRUE(allShown(cell(1, 1)));
}

// The view measures one row for all: the list's kind icons keep their width however the first
// row looked, and the table's row numbers do not make room for them.
TEST_F(Protocol, KindIconsHaveTheirPlaceInTheListOnly)
{
    protocolOut("Info:\nohne Symbol", -1, "");
    pumpUntilIdle();
    for (const char* line : {"Query:\nMEAS?", "Return:\n1.5"})
        protocolOut(line, line[0] == 'Q' ? 1 : 255, "");
    pumpUntilIdle();
    auto iconWidth = [] {
        GtkTreeViewColumn* zero = listColumn(WinProtocol, IdPtkList, 0);
        GtkTreeView* view = GTK_TREE_VIEW(controlWidget(WinProtocol, IdPtkList));
        GtkTreeIter row;
        gtk_tree_model_iter_nth_child(gtk_tree_view_get_model(view), &row, nullptr, 1);
        gtk_tree_view_column_cell_set_cell_data(zero, gtk_tree_view_get_model(view), &row, FALSE, FALSE);
        GList* cells = gtk_tree_view_column_get_cell_renderers(zero);
        gint start = 0, width = 0;
        gtk_tree_view_column_cell_get_position(zero, GTK_CELL_RENDERER(cells->data), &start, &width);
        g_list_free(cells);
        return width;
    };
    // The view measures its row when it draws.
    EXPECT_TRUE(pumpUntil([&] { return iconWidth() >= gdk_pixbuf_get_width(quirloImage(15)); })) << iconWidth();
    chooseTable();
    writeResponse(1, 1, "2.5");
    pumpUntilIdle();
    EXPECT_LT(iconWidth(), gdk_pixbuf_get_width(quirloImage(15)));
}

// The first output opens the window and keeps the cursor the program set; the content choice
// and the sub-string box are read from the settings page at each write.
TEST_F(Protocol, TableCellsFollowTheSettingsPage)
{
    setToggleState(WinSettings, IdSetAsTable, true);
    setField(IdSetColumns, "10");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    ASSERT_FALSE(windowExists(WinProtocol));
    chooseContent(ValuesExtracted);
    writeResponse(5, 3, "U=12,5 V");
    EXPECT_EQ(rows(), 6);
    EXPECT_EQ(cell(5, 3), "12");
    EXPECT_EQ(cell(5, 0), "5");
    EXPECT_EQ(cell(0, 3), "3");
    // The port page's "String-Unterteilung:" box, which this page reads.
    GtkWidget* subStrings = gtk_check_button_new();
    g_object_ref_sink(subStrings);
    registerControl(WinSettings, IdSetSubStrings, subStrings);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(subStrings), TRUE);
    writeResponse(1, 2, "1,5");
    protocolOut("2,5", 255, "");
    EXPECT_EQ(cell(2, 2), "2");
    EXPECT_EQ(protocol.cellRow, 3);
    g_object_unref(subStrings);
}

TEST_F(Protocol, LoweringTheColumnCountAsksFirst)
{
    chooseTable(10);
    writeResponse(1, 9, "42");
    setField(IdSetColumns, "4");
    messageAnswers = {ResultNo};
    send(EvControl, WinSettings, IdSetApplyProtocol);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Protokoll:\nSpaltenzahl rechts wieder auf 4 verkleinern?");
    EXPECT_EQ(protocolColumnCount(), 11);
    EXPECT_EQ(cell(1, 9), "42");
    // The declined shrink keeps the table as it is: a write into it adds no column.
    writeResponse(2, 5, "7");
    EXPECT_EQ(protocolColumnCount(), 11);

    messageAnswers = {ResultYes};
    send(EvControl, WinSettings, IdSetApplyProtocol);
    EXPECT_EQ(protocolColumnCount(), 5);
    setField(IdSetColumns, "10");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    EXPECT_EQ(protocolColumnCount(), 11);
    EXPECT_EQ(cell(1, 9), "");
}

// Values out of range are refused with an error each and nothing applies, also during a run;
// a click on an option validates once.
TEST_F(Protocol, TheSettingsApplyOnlyWhenValidAndWhileNoProgramRuns)
{
    send(EvControl, WinMain, IdMainProtocolButton);
    setToggleState(WinSettings, IdSetAsTable, true);
    setField(IdSetMaxCols, "abc");
    setField(IdSetColumns, "5");
    setField(IdSetColumnWidth, "9");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "Wert muss zwischen 1 und 255 liegen!");
    EXPECT_EQ(messages[0].title, "Quirlo Protokoll-Settings");
    EXPECT_EQ(messages[0].icon, IconError);
    EXPECT_EQ(protocol.protocolMode, ModeList);
    EXPECT_EQ(protocol.maxCols, 24);

    messages.clear();
    setField(IdSetMaxCols, "24");
    setField(IdSetColumnWidth, "60");
    setField(IdSetColumns, "0");
    gtk_button_clicked(GTK_BUTTON(controlWidget(WinSettings, IdSetAsList)));
    pumpUntilIdle();
    EXPECT_EQ(messages.size(), 1u);
    setToggleState(WinSettings, IdSetAsTable, true);

    messages.clear();
    runState.running = true;
    setField(IdSetColumns, "1");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Programm darf nicht gestartet sein!\nÜbernahme erst nach 'Stop' aufrufen.");
    EXPECT_EQ(protocol.protocolMode, ModeList);
    runState.running = false;

    send(EvControl, WinSettings, IdSetApplyProtocol);
    EXPECT_EQ(protocol.protocolMode, ModeTable);
    EXPECT_EQ(controlText(WinSettings, IdSetProtocolTypeText), "Protokolltabelle");
}

TEST_F(Protocol, SwitchingOffAndTheSmallestAndLargestTables)
{
    setToggleState(WinSettings, IdSetProtocolOn, false);
    send(EvControl, WinSettings, IdSetProtocolOn);
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetAsList));
    send(EvControl, WinSettings, IdSetApplyProtocol);
    EXPECT_EQ(protocol.protocolMode, ModeOff);
    EXPECT_EQ(controlText(WinSettings, IdSetProtocolTypeText), "AUS");
    protocolOut("Query:\n*IDN?", 1, "");
    EXPECT_FALSE(windowExists(WinProtocol));

    setToggleState(WinSettings, IdSetProtocolOn, true);
    send(EvControl, WinMain, IdMainProtocolButton);
    setField(IdSetMaxCols, "1");
    setField(IdSetMaxRows, "1");
    chooseTable(1);
    writeResponse(1, 1, "3");
    EXPECT_FALSE(warningShown());
    writeResponse(2, 1, "4");
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(cell(1, 1), "3");
    EXPECT_TRUE(protocol.rowOverflow);
    // A write outside turns the indicator until the table is rebuilt.
    EXPECT_TRUE(warningShown());
    send(EvControl, WinProtocol, IdPtkClear);
    EXPECT_FALSE(warningShown());

    setField(IdSetMaxCols, "255");
    setField(IdSetMaxRows, "65535");
    setField(IdSetColumns, "255");
    send(EvControl, WinSettings, IdSetApplyProtocol);
    EXPECT_EQ(protocolColumnCount(), 256);
    writeResponse(70, 255, "5");
    EXPECT_EQ(cell(70, 255), "5");
    EXPECT_EQ(cell(0, 255), "255");
    writeResponse(70, 256, "5");
    EXPECT_TRUE(protocol.colOverflow);
}

TEST_F(Protocol, DeletingRowsSparesTheFirstAndClearingAsks)
{
    for (const char* line : {"Command:\nA", "Command:\nB", "Command:\nC"})
        protocolOut(line, 0, "");
    clearSelection(WinProtocol, IdPtkList);
    selectRow(WinProtocol, IdPtkList, 0, false);
    send(EvMenu, WinProtocol, MenuPtkDeleteRows);
    EXPECT_EQ(rows(), 3);
    selectRow(WinProtocol, IdPtkList, 2, false);
    protocol.cellRow = 5;
    send(EvMenu, WinProtocol, MenuPtkDeleteRows);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(protocol.cellRow, 4);

    messageAnswers = {ResultNo, ResultClosed, ResultYes};
    send(EvMenu, WinProtocol, MenuPtkCtrlN);
    send(EvControl, WinProtocol, IdPtkClear);
    EXPECT_EQ(rows(), 2);
    send(EvMenu, WinProtocol, MenuPtkCtrlN);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(messages[0].text, "Komplette Protokoll-Liste leeren?");
}

TEST_F(Protocol, RowMenuNamesTheRowAndColumnsFitTheirContent)
{
    for (const char* line : {"Command:\nA", "Query:\nMEAS:VOLTAGE:DC? (@101:120)", "Command:\nC"})
        protocolOut(line, 0, "");
    clearSelection(WinProtocol, IdPtkList);
    selectRow(WinProtocol, IdPtkList, 1, false);
    send(EvControl, WinProtocol, IdPtkList, CtlRightClick);
    EXPECT_EQ(menuItemText(PopupPtkRows, MenuPtkRowLabel), "Zeile 2");
    gtk_menu_popdown(GTK_MENU(popupMenuWidget(PopupPtkRows)));

    // The fit button sizes the columns to their content once and springs back.
    GtkTreeViewColumn* text = gtk_tree_view_get_column(GTK_TREE_VIEW(controlWidget(WinProtocol, IdPtkList)), 1);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(text), 220);
    setToggleState(WinProtocol, IdPtkFitColumns, true);
    send(EvControl, WinProtocol, IdPtkFitColumns);
    EXPECT_FALSE(toggleState(WinProtocol, IdPtkFitColumns));
    // Wide enough for the longest text, narrower than the 220 pixels it had.
    int fitted = gtk_tree_view_column_get_fixed_width(text);
    EXPECT_LT(fitted, 220);
    PangoLayout* longest = gtk_widget_create_pango_layout(controlWidget(WinProtocol, IdPtkList),
                                                          "MEAS:VOLTAGE:DC? (@101:120)");
    int textWidth = 0;
    pango_layout_get_pixel_size(longest, &textWidth, nullptr);
    g_object_unref(longest);
    EXPECT_GE(fitted, textWidth);
    EXPECT_TRUE(gtk_tree_view_column_get_resizable(text));
}
