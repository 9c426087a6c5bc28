// The device settings form of the page "Port/COM/Handling": choosing a port, enabling rules,
// digits-only fields, loading and saving *.set files.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>

#include "common/files.h"
#include "serial/device_settings.h"
#include "serial/port_table.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"

namespace {

class SettingsPortPage : public QuirloTest {
protected:
    void prepareMachine() override
    {
        writeMachineFile("dmesg", "[5.1] usb 1-1.2: pl2303 converter now attached to ttyUSB0\n"
                                  "[6.2] usb 1-1.3: ch341-uart converter now attached to ttyUSB1\n");
        writeMachineFile("rights", "ttyUSB0 crw----rw- root\nttyUSB1 crw----rw- root\n");
    }
    void choosePort(int index)
    {
        gtk_combo_box_set_active(GTK_COMBO_BOX(controlWidget(WinSettings, IdSetPortBox)), index);
        pumpUntilIdle();
    }
    std::string text(int id) { return controlText(WinSettings, id); }
};

} // namespace

TEST_F(SettingsPortPage, ChoosingAPortShowsItsSettingsOrTheResetValues)
{
    EXPECT_EQ(text(IdSetPortNumber), "-1");
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetErrGetCmd));
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetSubTerminator));

    PortTable[1].configured = 1;
    PortTable[1].settings.baud = 19200;
    PortTable[1].settings.stopBits = 1.5f;
    PortTable[1].settings.inTerminator = "\r\n";
    PortTable[1].settings.errQuery = 1;
    PortTable[1].settings.onLoss = 1;
    PortTable[1].settings.lossWait = 90;
    choosePort(1);
    EXPECT_EQ(readForm().onLoss, 1);
    EXPECT_EQ(text(IdSetLossWait), "90");
    EXPECT_EQ(text(IdSetPortNumber), "1");
    EXPECT_EQ(text(IdSetPortTag), "usb 1-1.3: ch341-uart");
    EXPECT_EQ(readForm().baud, "19200");
    EXPECT_EQ(readForm().stopBits, "1.5");
    EXPECT_EQ(readForm().inTerminator, "13;10");
    EXPECT_TRUE(controlEnabled(WinSettings, IdSetErrGetCmd));

    choosePort(0);
    SettingsForm reset = readForm();
    EXPECT_EQ(reset.baud, "");
    EXPECT_EQ(reset.errGetCmd, "");
    EXPECT_EQ(reset.inTerminator, "13");
    EXPECT_EQ(reset.onLoss, 0);
    EXPECT_EQ(reset.lossWait, "60");
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetDelayErr));

    // Ticking the box enables its fields at once; digits-only fields keep only digits.
    setToggleState(WinSettings, IdSetErrQuery, true);
    send(EvControl, WinSettings, IdSetErrQuery);
    for (int id : {IdSetErrGetSesr, IdSetErrGetCmd, IdSetErrQueryClear, IdSetDelayErr})
        EXPECT_TRUE(controlEnabled(WinSettings, id)) << id;
    GtkEditable* pause = GTK_EDITABLE(controlWidget(WinSettings, IdSetDelayLong));
    gtk_editable_delete_text(pause, 0, -1);
    gint position = 0;
    gtk_editable_insert_text(pause, "4x0y0", 5, &position);
    EXPECT_EQ(text(IdSetDelayLong), "400");
}

TEST_F(SettingsPortPage, LoadingNeedsAPortAndKeepsUmlautsOfEitherEncoding)
{
    const std::string utf8File = machineDir + "/netz.set";
    writeMachineFile("netz.set", "VER=3\nDEVICE=Netzgerät µA\nBAUD=9600\nDATA=8\nSTOP=1\nPARITY=0\nHANDSHAKE=0\n"
                                 "INBUFFER=2048\nOUTBUFFER=1024\nINMAXSIGNS=80\nINTERM=13;10\nINRETRY=5\nOUTTERM=10\n"
                                 "DELAYSHORT=15\nDELAYLONG=300\nDELAYERR=150\nERRQUERY=1\nERRQUERAS=*CLS\n"
                                 "ERRGETCMD=SYST:ERR?\nERRGETSESR=*ESR?\nINSUBSTRINGS=1\nINSUBTERM=44\n");
    writeMachineFile("alt.set", "VER=2\nDEVICE=Ger\xE4t\n");
    fileAnswers = {utf8File};
    send(EvControl, WinSettings, IdSetLoadDevice);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Zum Zuweisen der Geräte-Daten muss\nvorab der verwendete COM-Port ge-\nwählt sein!");
    EXPECT_TRUE(fileRequests.empty());

    choosePort(0);
    send(EvControl, WinSettings, IdSetLoadDevice);
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].title, "Quirlo laden: Settingsdatei wählen");
    EXPECT_EQ(fileRequests[0].filter, "*.set");
    EXPECT_EQ(text(IdSetDevice), "Netzgerät µA");
    EXPECT_EQ(text(IdSetFileName), "netz.set");
    EXPECT_EQ(readForm().inTerminator, "13;10");
    EXPECT_TRUE(controlEnabled(WinSettings, IdSetSubTerminator));
    EXPECT_TRUE(formComplete(readForm()));
    EXPECT_EQ(devicesDir, machineDir + "/");

    fileAnswers = {machineDir + "/alt.set"};
    send(EvControl, WinSettings, IdSetLoadDevice);
    EXPECT_EQ(text(IdSetDevice), "Gerät");
    EXPECT_EQ(readForm().inSubTerminator, "44");
}

TEST_F(SettingsPortPage, SavingAppendsTheExtensionAsksBeforeReplacingAndNeverTearsAFile)
{
    choosePort(0);
    setControlText(WinSettings, IdSetDevice, "Multimeter Größe");
    const std::string offered = devicesDir + " -";
    fileAnswers = {machineDir + "/multi"};
    send(EvControl, WinSettings, IdSetSaveDevice);
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].startPath, offered);
    EXPECT_TRUE(fileRequests[0].save);
    std::string bytes;
    ASSERT_TRUE(readWholeFile(machineDir + "/multi.set", bytes));
    EXPECT_EQ(bytes.substr(0, 35), "VER=3\nDEVICE=Multimeter Gr\xF6\xDF" "e\nBAUD=");
    EXPECT_EQ(text(IdSetFileName), "multi.set");
    EXPECT_TRUE(messages.empty());

    // The question is about the file that would be replaced; "No" keeps it.
    setControlText(WinSettings, IdSetDevice, "anders");
    messageAnswers = {ResultNo};
    fileAnswers = {machineDir + "/multi"};
    send(EvControl, WinSettings, IdSetSaveDevice);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Datei existiert bereits!\nÜberschreiben?");
    readWholeFile(machineDir + "/multi.set", bytes);
    EXPECT_NE(bytes.find("Multimeter"), std::string::npos);

    // A file that cannot be written: the message, and nothing else changes.
    messages.clear();
    std::string before = devicesDir;
    fileAnswers = {machineDir + "/missing/dir/x.SET"};
    send(EvControl, WinSettings, IdSetSaveDevice);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Quirlo Settings-Daten:");
    EXPECT_EQ(messages[0].text.rfind("Datei konnte nicht gespeichert werden!\n" + machineDir + "/missing/dir/x.SET\n", 0),
              0u) << messages[0].text;
    EXPECT_EQ(text(IdSetFileName), "multi.set");
    EXPECT_EQ(devicesDir, before);
}

namespace {

// USB instruments: in the kernel's device list the usbmisc class's usbtmc0, below its USB device
// with the instrument's manufacturer and product; usbtmc1 only as a device file.
class UsbInstrument : public SettingsPortPage {
protected:
    void prepareMachine() override
    {
        SettingsPortPage::prepareMachine();
        writeMachineFile("rights", "ttyUSB0 crw----rw- root\nttyUSB1 crw----rw- root\nusbtmc0 crw----rw- root\n"
                                   "usbtmc1 crw----rw- root\n");
        namespace fs = std::filesystem;
        // One that only its device file shows.
        fs::create_directories(fs::path(machineDir) / "dev");
        std::ofstream(fs::path(machineDir) / "dev/usbtmc1") << "";
        const fs::path usb = fs::path(machineDir) / "sys/devices/pci0000:00/usb1/1-3";
        fs::create_directories(usb / "1-3:1.0/usbmisc/usbtmc0");
        std::ofstream(usb / "idVendor") << "2a8d\n";
        std::ofstream(usb / "manufacturer") << "Keysight Technologies\n";
        std::ofstream(usb / "product") << "34465A\n";
        fs::create_directories(fs::path(machineDir) / "sys/class/usbmisc");
        fs::create_directory_symlink(usb / "1-3:1.0/usbmisc/usbtmc0", fs::path(machineDir) / "sys/class/usbmisc/usbtmc0");
    }
};

} // namespace

TEST_F(UsbInstrument, IsListedWithItsNameAndAsksForNoSerialLine)
{
    ASSERT_EQ(portCount, 4);
    EXPECT_EQ(PortTable[2].name, "usbtmc0");
    EXPECT_EQ(PortTable[3].name, "usbtmc1");
    EXPECT_EQ(PortTable[3].tag, "USBTMC");
    choosePort(2);
    EXPECT_EQ(text(IdSetPortTag), "USBTMC Keysight Technologies 34465A");
    for (int id : serialLineControls)
        EXPECT_FALSE(controlEnabled(WinSettings, id)) << id;
    EXPECT_TRUE(controlEnabled(WinSettings, IdSetInTerminator));
    choosePort(0);
    for (int id : serialLineControls)
        EXPECT_TRUE(controlEnabled(WinSettings, id)) << id;
}
