// Port discovery and the port authorisation window with stand-ins for the system's programs.
#include "gui/harness.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "run/run_state.h"
#include "serial/port_authorisation_window.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/windows.h"

namespace {

class PortAuthorisation : public QuirloTest {
protected:
    void prepareMachine() override
    {
        writeMachineFile("dmesg", "[0.9] 00:01: ttyS0 at I/O 0x3f8 (irq = 4, base_baud = 115200) is a 16550A\n"
                                  "[5.1] usb 1-1.2: pl2303 converter now attached to ttyUSB0\n"
                                  "[6.2] usb 1-1.3: ch341-uart converter now attached to ttyUSB1\n");
        writeMachineFile("rights", "ttyS0 crw------- root\n"
                                   "ttyUSB0 crw-rw---- dialout\n"
                                   "ttyUSB1 crw----rw- root\n");
        writeMachineFile("groups", "anna adm dialout\n");
    }

    std::vector<std::string> listColumn(int column)
    {
        std::vector<std::string> cells;
        for (int row = 0; row < rowCount(WinPortAuth, IdAuthList); ++row)
            cells.push_back(cellText(WinPortAuth, IdAuthList, row, column));
        return cells;
    }
    std::vector<std::string> callsOf(const std::string& program)
    {
        std::vector<std::string> calls;
        for (const std::string& call : standInCalls())
            if (call == program || call.rfind(program + " ", 0) == 0)
                calls.push_back(call);
        return calls;
    }
    void selectPorts(std::initializer_list<int> rows)
    {
        clearSelection(WinPortAuth, IdAuthList);
        for (int row : rows)
            selectRow(WinPortAuth, IdAuthList, row, false);
    }
    std::string login = g_get_user_name();
};

} // namespace

TEST_F(PortAuthorisation, StartUpKeepsTheAccessiblePortsAndShowsTheWindowForTheOthers)
{
    EXPECT_TRUE(startUpMessages.empty());
    EXPECT_EQ(portCount, 2);
    EXPECT_EQ(listColumn(0), (std::vector<std::string>{"ttyUSB0", "ttyUSB1"}));
    EXPECT_EQ(listColumn(1), (std::vector<std::string>{"usb 1-1.2: pl2303", "usb 1-1.3: ch341-uart"}));
    EXPECT_EQ(listColumn(2), (std::vector<std::string>{"dialout", login}));
    EXPECT_EQ(controlText(WinPortAuth, IdAuthShowing), "Anzeige: freigeschaltete");
    EXPECT_TRUE(windowVisible(WinPortAuth));
    EXPECT_FALSE(controlEnabled(WinPortAuth, IdAuthGrant));

    // Three kernel-log commands, then one listing per port found, each in its own xterm.
    // The scratch file lies in a directory that only the user may enter.
    const std::string file = "'" + discoveryPlaces.scanFile + "'";
    GStatBuf directory;
    const std::string& scanFile = discoveryPlaces.scanFile;
    ASSERT_EQ(g_lstat(scanFile.substr(0, scanFile.rfind('/')).c_str(), &directory), 0);
    EXPECT_TRUE(S_ISDIR(directory.st_mode));
    EXPECT_EQ(directory.st_mode & 0777, 0700u);
    EXPECT_EQ(callsOf("xterm"), (std::vector<std::string>{
                                    "xterm [-e] [dmesg | grep ttyS | tee " + file + "]",
                                    "xterm [-e] [dmesg | grep ttyUS | tee -a " + file + "]",
                                    "xterm [-e] [dmesg | grep ttyACM | tee -a " + file + "]",
                                    "xterm [-e] [ls -l '/dev/ttyS0' | tee -a " + file + "]",
                                    "xterm [-e] [ls -l '/dev/ttyUSB0' | tee -a " + file + "]",
                                    "xterm [-e] [ls -l '/dev/ttyUSB1' | tee -a " + file + "]",
                                }));
    EXPECT_EQ(callsOf("which"), std::vector<std::string>{"which [xterm]"});
}

TEST_F(PortAuthorisation, GrantAndWithdrawChangeOnlyTheRowsTheyCanChange)
{
    send(EvControl, WinPortAuth, IdAuthDiscoverAll);
    EXPECT_EQ(controlText(WinPortAuth, IdAuthShowing), "Anzeige: alle vorhandenen");
    ASSERT_EQ(listColumn(2), (std::vector<std::string>{"no", "dialout", login}));

    selectPorts({0, 1});
    send(EvControl, WinPortAuth, IdAuthList, CtlChange);
    EXPECT_TRUE(controlEnabled(WinPortAuth, IdAuthGrant));
    forgetStandInCalls();
    send(EvControl, WinPortAuth, IdAuthGrant);
    EXPECT_EQ(callsOf("sudo"), std::vector<std::string>{"sudo [chmod] [o+rw] [/dev/ttyS0]"});
    // The grant ends in a discovery of all ports.
    EXPECT_EQ(callsOf("dmesg").size(), 3u);
    EXPECT_EQ(controlText(WinPortAuth, IdAuthShowing), "Anzeige: alle vorhandenen");

    // A group right cannot be withdrawn here: no command, a word about it instead.
    selectPorts({1});
    forgetStandInCalls();
    send(EvControl, WinPortAuth, IdAuthWithdraw);
    EXPECT_TRUE(callsOf("sudo").empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Die Gruppenfreigabe für einen Port kann hier nicht zurückgesetzt werden.\n"
                                "Dies muss vom Admin in der Systemverwaltung (Benutzer und Gruppen) erfolgen!");
    selectPorts({0, 2});
    forgetStandInCalls();
    send(EvControl, WinPortAuth, IdAuthWithdraw);
    EXPECT_EQ(callsOf("sudo"), std::vector<std::string>{"sudo [chmod] [o-rw] [/dev/ttyUSB1]"});
}

TEST_F(PortAuthorisation, ClosingAndTakingOverRediscoverTheAccessiblePorts)
{
    send(EvControl, WinPortAuth, IdAuthDiscoverAll);
    ASSERT_EQ(portCount, 3);
    forgetStandInCalls();
    send(EvClose, WinPortAuth, 0);
    EXPECT_FALSE(windowVisible(WinPortAuth));
    EXPECT_EQ(callsOf("dmesg").size(), 3u);
    EXPECT_EQ(portCount, 2);

    send(EvControl, WinPortAuth, IdAuthDiscoverAll);
    send(EvControl, WinPortAuth, IdAuthTakeOver);
    EXPECT_EQ(portCount, 2);
    EXPECT_FALSE(windowVisible(WinPortAuth));
}

TEST_F(PortAuthorisation, KernelLogTextNeverRunsAsACommand)
{
    const std::string marker = machineDir + "/marker";
    writeMachineFile("dmesg", "[5.1] usb 1-1: pl2303 converter now attached to ttyUSB0;touch " + marker + "\n"
                              "[5.2] usb 1-1: pl2303 converter now attached to ttyUSB$(touch " + marker + ")\n");
    send(EvControl, WinPortAuth, IdAuthDiscoverAll);
    EXPECT_FALSE(g_file_test(marker.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_EQ(portCount, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.substr(0, 54), "Auf dem Rechner wurde keine COM-Schnittstelle gefunden");
}

TEST_F(PortAuthorisation, WithoutXtermTheUserIsToldAndNoPortIsFound)
{
    g_remove((machineDir + "/bin/xterm").c_str());
    // An xterm of the machine itself must not be found either: PATH keeps only the stand-ins
    // and the tools they use.
    std::filesystem::create_directory(machineDir + "/tools");
    for (const char* tool : {"dirname", "basename", "cat"}) {
        gchar* path = g_find_program_in_path(tool);
        ASSERT_NE(path, nullptr);
        std::filesystem::create_symlink(path, machineDir + "/tools/" + tool);
        g_free(path);
    }
    g_setenv("PATH", (machineDir + "/bin:" + machineDir + "/tools").c_str(), TRUE);
    checkXterm();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Zur Autorisierung der Schnittstellen\nmuss 'xterm' installiert sein!");
    EXPECT_EQ(messages[0].icon, IconInfo);
    discoverPorts(true);
    EXPECT_EQ(portCount, 0);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(PortAuthorisation, TheSettingsPageListsTheAccessiblePortsAndRediscoversThem)
{
    auto choices = [] {
        std::vector<std::string> names;
        GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetPortBox)));
        GtkTreeIter iter;
        for (bool valid = gtk_tree_model_get_iter_first(model, &iter); valid; valid = gtk_tree_model_iter_next(model, &iter)) {
            gchar* name = nullptr;
            gtk_tree_model_get(model, &iter, 0, &name, -1);
            names.push_back(name);
            g_free(name);
        }
        return names;
    };
    EXPECT_EQ(choices(), (std::vector<std::string>{"ttyUSB0", "ttyUSB1"}));
    EXPECT_TRUE(controlEnabled(WinSettings, IdSetPortIndicatorFirst + 1));
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetPortIndicatorFirst + 2));

    gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetPortBox)), 1);
    pumpUntilIdle();
    EXPECT_EQ(controlText(WinSettings, IdSetPortNumber), "1");
    EXPECT_EQ(controlText(WinSettings, IdSetPortTag), "usb 1-1.3: ch341-uart");

    // A third adapter arrives; the magnifier finds it and keeps the chosen position.
    writeMachineFile("dmesg", "[5.1] usb 1-1.2: pl2303 converter now attached to ttyUSB0\n"
                              "[6.2] usb 1-1.3: ch341-uart converter now attached to ttyUSB1\n"
                              "[7.0] cdc_acm 1-1.4:1.0: ttyACM0: USB ACM device\n");
    writeMachineFile("rights", "ttyUSB0 crw-rw---- dialout\nttyUSB1 crw----rw- root\nttyACM0 crw-rw---- dialout\n");
    send(EvControl, WinSettings, IdSetRediscover);
    EXPECT_EQ(choices(), (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyACM0"}));
    EXPECT_EQ(selectedPortChoice(), 1);
    EXPECT_TRUE(controlEnabled(WinSettings, IdSetPortIndicatorFirst + 2));

    // While a program runs the buttons of the group do nothing.
    runState.running = true;
    forgetStandInCalls();
    send(EvControl, WinSettings, IdSetRediscover);
    send(EvControl, WinSettings, IdSetAuthorisation);
    EXPECT_TRUE(standInCalls().empty());
    runState.running = false;
    hideWindow(WinPortAuth);
    send(EvControl, WinSettings, IdSetAuthorisation);
    EXPECT_TRUE(windowVisible(WinPortAuth));
}
