// The protocol on the clipboard, in *.log files and in the run's autosave file.
#include "gui/harness.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <fstream>
#include <future>

#include "common/background_saves.h"
#include "common/files.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/popup_menus.h"
#include "ui/timers.h"

namespace {

class ProtocolFiles : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        currentPort = 0;
        send(EvControl, WinMain, IdMainProtocolButton);
        for (const char* line : {"Query:\nSYST:ERR?", "Return:\n0,No error", "Query:\nMESS?", "Return:\nSpannung: 12.500 V"})
            protocolOut(line, 0, "");
        ASSERT_EQ(g_mkdir_with_parents(logDir.c_str(), 0700), 0);
    }

    std::string clipboard()
    {
        finishBackgroundSaves();
        gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
        std::string result = text ? text : "";
        g_free(text);
        return result;
    }
    bool menuShown(int menu) { return gtk_widget_get_visible(popupMenuWidget(menu)); }
    void closeMenu(int menu) { gtk_menu_popdown(GTK_MENU(popupMenuWidget(menu))); }
    std::string file(const std::string& path)
    {
        finishBackgroundSaves();
        std::string bytes;
        readWholeFile(path, bytes);
        return bytes;
    }
    void chooseTable()
    {
        setToggleState(WinSettings, IdSetAsTable, true);
        setControlText(WinSettings, IdSetColumns, "3");
        send(EvControl, WinSettings, IdSetApplyProtocol);
        gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetTableContent)), FullText);
        int column = 1;
        for (const char* value : {"1.5", "Übertemperatur", "3"}) {
            protocol.cellRow = 1;
            protocol.cellCol = column++;
            protocolOut(value, 255, "");
        }
        pumpUntilIdle();
    }
};

} // namespace

TEST_F(ProtocolFiles, TheClipboardButtonOffersTheLayoutsOfTheForm)
{
    send(EvControl, WinProtocol, IdPtkClipboard);
    EXPECT_TRUE(menuShown(PopupPtkListClipboard));
    EXPECT_FALSE(menuShown(PopupPtkTableClipboard));
    EXPECT_FALSE(toggleState(WinProtocol, IdPtkClipboard));
    closeMenu(PopupPtkListClipboard);
    send(EvMenu, WinProtocol, MenuPtkQueryNumbers);
    // Once the text is on the clipboard, the button is up again.
    EXPECT_EQ(clipboard(), "SYST:ERR?\t0\r\nMESS?\t0\r\n");
    EXPECT_FALSE(toggleState(WinProtocol, IdPtkClipboard));
    // A table layout chosen for the list gives an empty text.
    send(EvMenu, WinProtocol, MenuPtkTableFrame);
    EXPECT_EQ(clipboard(), "");

    chooseTable();
    send(EvMenu, WinProtocol, MenuPtkCtrlC);
    EXPECT_TRUE(menuShown(PopupPtkTableClipboard));
    closeMenu(PopupPtkTableClipboard);
    send(EvMenu, WinProtocol, MenuPtkTableFrame);
    EXPECT_EQ(clipboard(), "\t1\t2\t3\r\n1\t1.5\tÜbertemperatur\t3\r\n");
    send(EvMenu, WinProtocol, MenuPtkTableData);
    EXPECT_EQ(clipboard(), "1.5\tÜbertemperatur\t3\r\n");
}

TEST_F(ProtocolFiles, LogSavesAskBeforeOverwritingAndReportFailures)
{
    fileAnswers = {machineDir + "/messung"};
    send(EvControl, WinProtocol, IdPtkSave);
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].title, "Quirlo speichern: Log-Datei wählen");
    EXPECT_EQ(fileRequests[0].filter, "Protokoll-Daten (*.log)|*.log");
    // The text is built and written on the save thread from the rows of the moment: what comes
    // meanwhile is not in it.
    protocolOut("Query:\nSPAET?", 0, "");
    EXPECT_EQ(file(machineDir + "/messung.log"), "Typ\tSenden / Empfangen\tPause\tFehlercode / Steuerkommando:\n"
                                                 "Query:\tSYST:ERR?\t\t\nReturn:\t0,No error\t\t\n"
                                                 "Query:\tMESS?\t\t\nReturn:\tSpannung: 12.500 V\t\t\n");
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), "messung.log");
    EXPECT_EQ(logDir, machineDir + "/");

    // The question is about the file with its extension; No keeps it.
    chooseTable();
    fileAnswers = {machineDir + "/messung"};
    messageAnswers = {ResultNo};
    send(EvMenu, WinProtocol, MenuPtkCtrlS);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Datei existiert bereits!\nÜberschreiben?");
    EXPECT_TRUE(g_str_has_prefix(file(machineDir + "/messung.log").c_str(), "Typ\t"));
    fileAnswers = {machineDir + "/messung.LOG"};
    send(EvMenu, WinProtocol, MenuPtkCtrlS);
    EXPECT_EQ(file(machineDir + "/messung.LOG"), "\t1\t2\t3\n1\t1.5\t\xDC" "bertemperatur\t3\n");

    messages.clear();
    fileAnswers = {machineDir + "/fehlt/messung.log"};
    send(EvMenu, WinProtocol, MenuPtkCtrlS);
    finishBackgroundSaves();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo Protokoll-Daten:");
    EXPECT_EQ(messages[0].text.rfind("Datei konnte nicht gespeichert werden!\n" + machineDir + "/fehlt/messung.log\n", 0),
              0u) << messages[0].text;
    EXPECT_EQ(logDir, machineDir + "/");
}

TEST_F(ProtocolFiles, AutosaveGoesToTheChosenDirectoryOrWarns)
{
    setToggleState(WinSettings, IdSetAutosave, true);
    setControlEnabled(WinSettings, IdSetAutosaveTemp, true);
    setToggleState(WinSettings, IdSetAutosaveTemp, true);
    tempDir = machineDir + "/tmp";
    ASSERT_EQ(g_mkdir_with_parents(tempDir.c_str(), 0700), 0);
    protocolAutosave(0);
    std::string name = controlText(WinProtocol, IdPtkFileField);
    EXPECT_TRUE(fileExists(tempDir + "/" + name));
    EXPECT_EQ(timerInterval(WinProtocol, TimerAutosave), 60000);
    // A save under way holds nothing up: while the save thread is kept busy, the loop handles
    // event after event and the write waits its turn. It gets the rows of the moment it was
    // asked for, not those that came meanwhile. A write after clearing leaves exactly the
    // shorter protocol.
    std::promise<void> gate;
    inBackground([opened = gate.get_future().share()] {
        opened.wait();
        return SaveOutcome{};
    }, nullptr);
    protocolAutosave(1);
    int handled = 0;
    for (int event = 0; event < 50; ++event)
        g_idle_add([](gpointer counter) { ++*static_cast<int*>(counter); return G_SOURCE_REMOVE; }, &handled);
    EXPECT_TRUE(pumpUntil([&] { return handled == 50; }));
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), "Autosave now");
    clearProtocol(false);
    gate.set_value();
    EXPECT_EQ(file(tempDir + "/" + name).size(), 84u);
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), name);
    protocolOut("Query:\nX?", 0, "");
    send(EvTimer, WinProtocol, TimerAutosave);
    EXPECT_EQ(file(tempDir + "/" + name), "Query:\tX?\t\t\n");
    // A write that fails is told once, and the field no longer names the file.
    ASSERT_EQ(g_rename(tempDir.c_str(), (tempDir + "-weg").c_str()), 0);
    protocolAutosave(1);
    protocolAutosave(1);
    finishBackgroundSaves();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Autosave-Datei konnte nicht geschrieben werden", 0), 0u);
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), "Autosave fehlgeschlagen");
    ASSERT_EQ(g_rename((tempDir + "-weg").c_str(), tempDir.c_str()), 0);
    protocolAutosave(1);
    finishBackgroundSaves();
    EXPECT_EQ(controlText(WinProtocol, IdPtkFileField), name);
    messages.clear();
    protocolAutosave(2);
    EXPECT_FALSE(timerActive(WinProtocol, TimerAutosave));

    // A missing Log/ is made.
    setToggleState(WinSettings, IdSetAutosaveTemp, false);
    logDir = machineDir + "/Log/";
    protocolAutosave(0);
    EXPECT_TRUE(fileExists(logDir + controlText(WinProtocol, IdPtkFileField)));
    EXPECT_TRUE(messages.empty());
    protocolAutosave(2);

    // A directory that cannot be: one warning, no timer.
    std::ofstream(machineDir + "/datei") << "x";
    logDir = machineDir + "/datei/Log/";
    protocolAutosave(0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo");
    EXPECT_NE(messages[0].text.find(logDir + controlText(WinProtocol, IdPtkFileField)), std::string::npos);
    EXPECT_FALSE(timerActive(WinProtocol, TimerAutosave));
    protocolAutosave(1);
    EXPECT_FALSE(fileExists(logDir + controlText(WinProtocol, IdPtkFileField)));
}
