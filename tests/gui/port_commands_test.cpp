// Applying settings, opening, closing and changing ports on pseudo-terminals, as the settings
// window, the program window and the program's port rows do it.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include <memory>

#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "run/run_state.h"
#include "serial/device_io.h"
#include "serial/port_commands.h"
#include "serial/port_discovery.h"
#include "serial/port_table.h"
#include "serial/pty.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/windows.h"

namespace {

class PortCommands : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        // Three ports as discovery would have found them; their devices are pseudo-terminals.
        portCount = 3;
        PortTable.resize(3);
        for (int k = 0; k < 3; ++k) {
            terminals.push_back(std::make_unique<PseudoTerminal>());
            PortTable[k] = PortEntry{};
            PortTable[k].name = terminals[k]->devicePath().substr(5);
        }
        refreshPortIndicators(true);
        if (programWindowFirst)
            send(EvControl, WinMain, IdMainProgramButton);
    }
    bool programWindowFirst = true;

    void chooseList(int id, int item) { gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, id)), item); }
    // Chooses the port and types a complete form for 9600 8N1 into the settings page.
    void fillForm(int port)
    {
        chooseList(IdSetPortBox, port);
        pumpUntilIdle();
        chooseList(IdSetBaud, 9);
        chooseList(IdSetDataBits, 1);
        chooseList(IdSetStopBits, 0);
        chooseList(IdSetParity, 0);
        chooseList(IdSetHandshake, 0);
    }
    void apply(int port)
    {
        fillForm(port);
        send(EvControl, WinSettings, IdSetApplyPort);
    }
    // The protocol's list lines as "first column|last column".
    std::vector<std::string> protocolLines()
    {
        std::vector<std::string> lines;
        for (int row = 0; row < rowCount(WinProtocol, IdPtkList); ++row)
            lines.push_back(cellText(WinProtocol, IdPtkList, row, 0) + "|" + cellText(WinProtocol, IdPtkList, row, 3));
        return lines;
    }
    std::string indicatorColour(int port)
    {
        GtkRcStyle* style = gtk_widget_get_modifier_style(controlWidget(WinSettings, IdSetPortIndicatorFirst + port));
        if (!(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BG))
            return "";
        gchar* colour = gdk_color_to_string(&style->bg[GTK_STATE_NORMAL]);
        std::string result(colour);
        g_free(colour);
        return result;
    }
    bool indicatorUnderlined(int port)
    {
        GtkWidget* box = controlWidget(WinSettings, IdSetPortIndicatorFirst + port);
        return std::string(gtk_label_get_label(GTK_LABEL(gtk_bin_get_child(GTK_BIN(box))))).find("<u>") == 0;
    }

    std::vector<std::unique_ptr<PseudoTerminal>> terminals;
};

} // namespace

TEST_F(PortCommands, ApplyOpensThePortAndShowsItEverywhere)
{
    fillForm(1);
    setControlText(WinSettings, IdSetInBuffer, "63");
    send(EvControl, WinSettings, IdSetApplyPort);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Die Geräte COM- oder Schnittstellen-\nEinstellungen sind nicht vollständig.\n"
                                "Bitte ausfüllen oder laden!");
    EXPECT_EQ(currentPort, -1);

    setControlText(WinSettings, IdSetInBuffer, "4096");
    runState.running = true;
    send(EvControl, WinSettings, IdSetApplyPort);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Neue Initialsierung während Programm-Lauf nicht möglich!");
    EXPECT_EQ(currentPort, -1);
    runState.running = false;

    messages.clear();
    send(EvControl, WinSettings, IdSetApplyPort);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentPort, 1);
    EXPECT_TRUE(PortTable[1].configured);
    EXPECT_TRUE(PortTable[1].isOpen);
    EXPECT_EQ(PortTable[1].settings.baud, 9600);
    EXPECT_EQ(PortTable[1].inBuffer.size(), 4096u);
    EXPECT_EQ(indicatorColour(1), "#0000ffff0000");
    EXPECT_TRUE(indicatorUnderlined(1));
    EXPECT_EQ(indicatorColour(0), "");
    EXPECT_FALSE(toggleState(WinProgram, IdPrgPortButton));
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), PortTable[1].name);
    ASSERT_TRUE(windowVisible(WinProtocol));
    EXPECT_EQ(protocolLines(), std::vector<std::string>{"OpenPort|#1 Ok"});

    // The open port is the program's way to the device.
    EXPECT_EQ(deviceWrite(1, "*RST\r"), 5);
    EXPECT_EQ(terminals[1]->receive(5), "*RST\r");
}

TEST_F(PortCommands, APortThatDoesNotOpenLosesItsSettings)
{
    // Another program holds the device: the user is told so.
    ASSERT_TRUE(openTerminalPort(9, terminals[2]->devicePath()));
    apply(2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, PortTable[2].name + " konnte nicht initialisiert werden!\nGrund: Gerät belegt: ein "
                                                    "weiteres Programm hat den Port geöffnet\nBitte die "
                                                    "Geräte-COM-Einstellungen prüfen.");
    EXPECT_FALSE(PortTable[2].configured);
    EXPECT_FALSE(PortTable[2].isOpen);
    EXPECT_EQ(indicatorColour(2), "");
    EXPECT_EQ(protocolLines(), std::vector<std::string>{
                                   "OpenPort|#2 not Ok: Gerät belegt: ein weiteres Programm hat den Port geöffnet"});
    deviceClose(9);
}

TEST_F(PortCommands, TheProgramWindowsButtonClosesAndReopensTheCurrentPort)
{
    send(EvControl, WinProgram, IdPrgPortButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Kein Port initialisiert!");
    EXPECT_TRUE(toggleState(WinProgram, IdPrgPortButton));

    apply(0);
    setToggleState(WinProgram, IdPrgPortButton, true);
    send(EvControl, WinProgram, IdPrgPortButton);
    EXPECT_FALSE(PortTable[0].isOpen);
    EXPECT_FALSE(controlEnabled(WinProgram, IdPrgRun));
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), " - ");
    EXPECT_EQ(indicatorColour(0), "#ffff96969696");
    setToggleState(WinProgram, IdPrgPortButton, false);
    send(EvControl, WinProgram, IdPrgPortButton);
    EXPECT_TRUE(PortTable[0].isOpen);
    EXPECT_TRUE(controlEnabled(WinProgram, IdPrgRun));
    EXPECT_EQ(protocolLines(), (std::vector<std::string>{"OpenPort|#0 Ok", "CloseCom|#0 Ok", "OpenPort|#0 Ok"}));

    // An unconfigured port made current by its indicator does not open: the button says so.
    send(EvControl, WinSettings, IdSetPortIndicatorFirst + 2);
    ASSERT_EQ(currentPort, 2);
    setToggleState(WinProgram, IdPrgPortButton, false);
    send(EvControl, WinProgram, IdPrgPortButton);
    EXPECT_FALSE(PortTable[2].isOpen);
    EXPECT_TRUE(toggleState(WinProgram, IdPrgPortButton));
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), " - ");
    EXPECT_FALSE(controlEnabled(WinProgram, IdPrgRun));
}

TEST_F(PortCommands, PortRowsWithEmptyWrongAndTooLargeParameters)
{
    // Without a current port the rows do nothing and write nothing.
    openPortCommand("");
    closePortCommand("1");
    EXPECT_FALSE(windowExists(WinProtocol));

    apply(0);
    apply(2);
    closePortCommand("");
    EXPECT_FALSE(PortTable[0].isOpen);
    EXPECT_FALSE(PortTable[2].isOpen);
    clearProtocol(false);
    openPortCommand("");
    EXPECT_TRUE(PortTable[0].isOpen);
    EXPECT_TRUE(PortTable[2].isOpen);
    // The unconfigured port 1 is passed over silently.
    EXPECT_EQ(protocolLines(), (std::vector<std::string>{"OpenPort|#0 Ok", "OpenPort|#2 Ok"}));

    clearProtocol(false);
    messages.clear();
    openPortCommand("300");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Ungültiger Parameter auf\nOpen-/CloseCom");
    EXPECT_EQ(protocolLines(), (std::vector<std::string>{"ComPort|#0 bereits geöffnet", "ComPort|#2 bereits geöffnet"}));
    clearProtocol(false);
    openPortCommand("5");
    EXPECT_EQ(protocolLines(), std::vector<std::string>{"ComPort|#5 existiert nicht"});

    clearProtocol(false);
    messages.clear();
    changePortCommand("7");
    EXPECT_EQ(currentPort, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.substr(0, 52), "Der angegebene Port 7 liegt nicht zwischen 0 und 2!\n");
    changePortCommand("300");
    EXPECT_EQ(currentPort, 2);
    changePortCommand("0");
    EXPECT_EQ(currentPort, 0);
    EXPECT_EQ(protocolLines(),
              (std::vector<std::string>{"ChangeCom|#2 Ok", "ChangeCom|#2 not Ok", "ChangeCom|#0 Ok"}));

    // DTR and RTS: nothing for an empty cell, a warning for a value other than 0 or 1, and a
    // pseudo-terminal, which has no modem lines, takes no harm.
    messages.clear();
    setLineCommand(SerialLine::DTR, "");
    setLineCommand(SerialLine::RTS, "2");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Ungültiger Parameter auf\nSetDTR/SetRTS");
    setLineCommand(SerialLine::DTR, "1");
    EXPECT_TRUE(PortTable[0].isOpen);
}

TEST_F(PortCommands, AnIndicatorClickMakesExactlyThatPortCurrent)
{
    apply(0);
    apply(1);
    // A program row the user is not looking at has nothing to say about the click.
    insertRow(WinProgram, IdPrgList, -1, {"4", "ChangePort <i>", "100", "300", "changeport 300"});
    selectRow(WinProgram, IdPrgList, 0, false);
    send(EvControl, WinSettings, IdSetPortIndicatorFirst);
    EXPECT_EQ(currentPort, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(indicatorUnderlined(0));
    EXPECT_FALSE(indicatorUnderlined(1));
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), PortTable[0].name);
    send(EvControl, WinSettings, IdSetPortIndicatorFirst + 5);
    EXPECT_EQ(currentPort, 0);
}

TEST_F(PortCommands, AVanishedDeviceIsClosedAndReopensWhenApplied)
{
    apply(1);
    ASSERT_TRUE(PortTable[1].isOpen);
    EXPECT_FALSE(closeIfLost(1));
    // The hang-up reaches the main loop by itself; nothing polls while the port is idle.
    terminals[1]->closeMaster();
    ASSERT_TRUE(pumpUntil([] { return !PortTable[1].isOpen; }));
    EXPECT_EQ(indicatorColour(1), "#ffff96969696");
    EXPECT_TRUE(toggleState(WinProgram, IdPrgPortButton));
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), " - ");
    EXPECT_EQ(protocolLines().back(), "CloseCom|#1 getrennt");

    // The adapter is back (here: a new terminal under the port's name).
    terminals[1] = std::make_unique<PseudoTerminal>();
    PortTable[1].name = terminals[1]->devicePath().substr(5);
    refreshPortIndicators(true);
    apply(1);
    EXPECT_TRUE(PortTable[1].isOpen);
}

TEST_F(PortCommands, APortsSettingsAndOpenDeviceStayWithItsDeviceThroughARediscovery)
{
    apply(1);
    ASSERT_TRUE(PortTable[1].isOpen);
    apply(2);
    ASSERT_EQ(currentPort, 2);
    const std::vector<PortEntry> before(PortTable.begin(), PortTable.begin() + 3);
    // A new device comes in front, port 1's device moves behind it, port 2's device is gone.
    PseudoTerminal newcomer;
    portCount = fillPortTable(PortTable, {{newcomer.devicePath().substr(5), "neu"},
                                          {before[0].name, before[0].tag},
                                          {before[1].name, before[1].tag}});
    keepPortsWithTheirDevices(before);

    EXPECT_EQ(PortTable[0].configured, 0);
    EXPECT_EQ(PortTable[0].isOpen, 0);
    EXPECT_EQ(PortTable[2].name, before[1].name);
    EXPECT_EQ(PortTable[2].settings.baud, 9600);
    EXPECT_EQ(PortTable[2].isOpen, 1);
    // The moved handle writes to its own device.
    ASSERT_TRUE(deviceWrite(2, "*RST\r") == 5);
    EXPECT_EQ(terminals[1]->receive(5), "*RST\r");
    EXPECT_FALSE(deviceIsOpen(1));
    // The current port's device left: it is closed, and no port is current.
    EXPECT_EQ(currentPort, -1);
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), " - ");
    // The hang-up watch moved too: the moved device's hang-up closes position 2.
    terminals[1]->closeMaster();
    ASSERT_TRUE(pumpUntil([] { return !PortTable[2].isOpen; }));
}

namespace {

class PortBeforeProgramWindow : public PortCommands {
public:
    PortBeforeProgramWindow() { programWindowFirst = false; }
};

} // namespace

TEST_F(PortBeforeProgramWindow, AProgramWindowOpenedLaterShowsTheOpenPortAndRuns)
{
    // Without a protocol no port line opens the program window on the way.
    setToggleState(WinSettings, IdSetProtocolOn, false);
    send(EvControl, WinSettings, IdSetApplyProtocol);
    apply(1);
    ASSERT_TRUE(PortTable[1].isOpen);
    ASSERT_FALSE(windowExists(WinProgram));
    send(EvControl, WinMain, IdMainProgramButton);
    // "Close" would tell the runner that no port was opened, and it would refuse the run.
    EXPECT_EQ(controlText(WinProgram, IdPrgPortLabel), PortTable[1].name);
    EXPECT_FALSE(toggleState(WinProgram, IdPrgPortButton));
}
