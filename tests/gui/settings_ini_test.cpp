// Quirlo.ini across a start and an exit, the page "Applikation", the beep, help and quit.
#include "gui/harness.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>

#include "common/ini_file.h"
#include "app/quit.h"
#include "app/settings_ini.h"
#include "app/startup.h"
#include "app/shell_state.h"
#include "common/files.h"
#include "serial/port_discovery.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

class SettingsIni : public QuirloTest {
protected:
    void prepareMachine() override
    {
        writeMachineFile("Quirlo.ini", "[WINDOWPOS]\nWinCmdOn = 0\nWinPrgOn = 1\nWinPtkOn = 0\nWinMainX = -50\n"
                                       "WinPrgX = 300\nWinPrgY = 200\nWinPrgW = 700\nWinPrgH = 500\n"
                                       "WinCmdX = 4611686018427387904\nWinCmdW = 0\n"
                                       "[APPLIKATION]\nAppAboutAuto = 0\nAppGlobalBeeps = 2\n"
                                       "[PROTOKOLL]\nProtAutoSaveOn = 0\nProtAutoSave2Temp = 1\n"
                                       "[AUTOLOAD]\nAutoCommandLoadOn = 0\nCommandFile = /tmp/Geräte/netz.cml\n");
    }
    IniFile written()
    {
        std::string bytes;
        readWholeFile(machineDir + "/Quirlo.ini", bytes);
        return IniFile(bytes);
    }
};

} // namespace

TEST_F(SettingsIni, TheFilePlacesTheWindowsAndSetsThePages)
{
    ASSERT_TRUE(pumpUntil([] { return !timerActive(WinMain, TimerStartup); }));
    // Windows closed at the last exit are hidden again after the start-up completion.
    EXPECT_FALSE(windowVisible(WinCommandList));
    EXPECT_TRUE(windowVisible(WinProgram));
    EXPECT_FALSE(windowVisible(WinProtocol));
    EXPECT_FALSE(windowVisible(WinAbout));
    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(windowWidget(WinProgram)), &x, &y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(controlText(WinSettings, IdSetAutoLoadCommandsFile), "/tmp/Geräte/netz.cml");
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetAutoLoadCommandsFile));
    EXPECT_TRUE(controlVisible(WinSettings, IdSetGlobalBeeps));
    EXPECT_FALSE(toggleState(WinSettings, IdSetAutosaveTemp));
    EXPECT_FALSE(controlEnabled(WinSettings, IdSetAutosaveTemp));

    // The beep choice "Kurz" starts beep with its arguments, without waiting for it.
    send(EvControl, WinSettings, IdSetBeepTest);
    EXPECT_TRUE(pumpUntil([this] {
        for (const std::string& call : standInCalls())
            if (call == "beep [-f] [440] [-l] [60]")
                return true;
        return false;
    }));
}

TEST_F(SettingsIni, TheExitWritesTheLayoutAndTheFileSurvivesAFailedWrite)
{
    gtk_window_move(GTK_WINDOW(windowWidget(WinMain)), 0, 500);
    ASSERT_TRUE(pumpUntil([] {
        int x = -1, y = -1;
        gtk_window_get_position(GTK_WINDOW(windowWidget(WinMain)), &x, &y);
        return x == 0;
    }));
    saveIniFile();
    IniFile ini = written();
    EXPECT_EQ(ini.number("WINDOWPOS", "WinMainX", -1), 4);
    EXPECT_EQ(ini.number("WINDOWPOS", "WinPrgX", -1), 300);
    EXPECT_EQ(ini.text("AUTOLOAD", "CommandFile", ""), "/tmp/Geräte/netz.cml");
    EXPECT_EQ(ini.number("APPLIKATION", "AppGlobalBeeps", -1), 2);
    std::string bytes;
    readWholeFile(machineDir + "/Quirlo.ini", bytes);
    EXPECT_EQ(bytes.rfind("[WINDOWPOS]\nWinMainOn = 1\n", 0), 0u);
    EXPECT_NE(bytes.find("\n\n[PORTDEFAULT]\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.rfind('\n', bytes.size() - 2) + 1), "ProgrammFile = \n");

    // A Quirlo.ini that cannot be written is passed over without harm, with one warning.
    g_remove((machineDir + "/Quirlo.ini").c_str());
    g_mkdir((machineDir + "/Quirlo.ini").c_str(), 0755);
    messages.clear();
    saveIniFile();
    EXPECT_TRUE(g_file_test((machineDir + "/Quirlo.ini").c_str(), G_FILE_TEST_IS_DIR));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Quirlo.ini konnte nicht gespeichert werden, die Einstellungen dieser Sitzung "
                                     "gehen verloren!\n" + machineDir + "/Quirlo.ini\n", 0), 0u) << messages[0].text;
    g_rmdir((machineDir + "/Quirlo.ini").c_str());
}

TEST_F(SettingsIni, HelpStartsOneViewerAndQuitEndsIt)
{
    writeMachineFile("Quirlo.pdf", "%PDF-1.4\n");
    writeMachineFile("bin/xdg-mime", "#!/bin/sh\necho kde4-okularApplication_pdf.desktop\n");
    writeMachineFile("bin/okular", "#!/bin/sh\necho \"okular $*\" >>\"$(dirname \"$0\")/../viewer.log\"\nexec sleep 60\n");
    g_chmod((machineDir + "/bin/xdg-mime").c_str(), 0755);
    g_chmod((machineDir + "/bin/okular").c_str(), 0755);
    send(EvMenu, WinMain, MenuMainF1);
    send(EvMenu, WinMain, MenuMainF1);
    EXPECT_TRUE(messages.empty());
    GPid viewer = shell.helpViewer;
    ASSERT_GT(viewer, 0);
    ASSERT_TRUE(pumpUntil([this] { return g_file_test((machineDir + "/viewer.log").c_str(), G_FILE_TEST_EXISTS); }));
    std::string log;
    readWholeFile(machineDir + "/viewer.log", log);
    EXPECT_EQ(log, "okular " + machineDir + "/Quirlo.pdf\n");

    exitSequence();
    int status = 0;
    pid_t ended = waitpid(viewer, &status, 0);
    EXPECT_TRUE(ended == viewer ? WIFSIGNALED(status) : errno == ECHILD);
}

TEST_F(SettingsIni, HelpStartsTheDesktopEntryThatAReverseDomainIdNames)
{
    writeMachineFile("Quirlo.pdf", "%PDF-1.4\n");
    writeMachineFile("bin/xdg-mime", "#!/bin/sh\necho org.example.Viewer.desktop\n");
    writeMachineFile("bin/viewer",
                     "#!/bin/sh\necho \"viewer $*\" >>\"$(dirname \"$0\")/../viewer.log\"\nexec sleep 60\n");
    // The desktop entries of the user, in the test's home directory.
    ASSERT_EQ(g_mkdir_with_parents((machineDir + "/.local/share/applications").c_str(), 0700), 0);
    writeMachineFile(".local/share/applications/org.example.Viewer.desktop",
                     "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\nMimeType=application/pdf;\n");
    g_chmod((machineDir + "/bin/xdg-mime").c_str(), 0755);
    g_chmod((machineDir + "/bin/viewer").c_str(), 0755);
    // Twice: one viewer, no message.
    post(EvMenu, WinMain, MenuMainF1);
    send(EvMenu, WinMain, MenuMainF1);
    EXPECT_TRUE(messages.empty());
    ASSERT_GT(shell.helpViewer, 0);
    ASSERT_TRUE(pumpUntil([this] { return g_file_test((machineDir + "/viewer.log").c_str(), G_FILE_TEST_EXISTS); }));
    std::string log;
    readWholeFile(machineDir + "/viewer.log", log);
    EXPECT_EQ(log, "viewer " + machineDir + "/Quirlo.pdf\n");
}

TEST_F(SettingsIni, AViewerNameThatIsNoPlainProgramIsNeverStarted)
{
    writeMachineFile("Quirlo.pdf", "%PDF-1.4\n");
    writeMachineFile("bin/xdg-mime", "#!/bin/sh\necho 'okular;touch marker.desktop'\n");
    g_chmod((machineDir + "/bin/xdg-mime").c_str(), 0755);
    send(EvMenu, WinMain, MenuHelp);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Keine Standard-Applikation für pdf gefunden!");
    EXPECT_EQ(shell.helpViewer, 0);
}

TEST_F(SettingsIni, QuitListsTheChangedListsThenAsks)
{
    setTitleMarker(IdCmdList, true);
    setTitleMarker(IdPrgList, true);
    messageAnswers = {ResultYes, ResultNo};
    send(EvClose, WinMain, 0);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Folgende veränderte Liste(n) sind ungesichert:\n- Kommandolisting\n- Programm\n");
    EXPECT_EQ(messages[0].icon, IconInfo);
    EXPECT_EQ(messages[1].text, "Applikation beenden?");
    EXPECT_FALSE(shell.quitRequested);
    EXPECT_TRUE(listChanged(IdCmdList));

    setToggleState(WinSettings, IdSetWarnUnsaved, false);
    messages.clear();
    messageAnswers = {ResultNo};
    send(EvClose, WinMain, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Applikation beenden?");
}
