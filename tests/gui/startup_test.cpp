// Start-up, the main window, the start-up timer and the quit question.
#include "gui/harness.h"

#include <gtk/gtk.h>

#include <csignal>

#include "app/shell_state.h"
#include "protocol/protocol_files.h"
#include "serial/device_settings.h"
#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/timers.h"

using StartUp = QuirloTest;

TEST_F(StartUp, SetsTheInitialStateAndOnlyTheMainWindowIsVisible)
{
    EXPECT_FALSE(shell.quitRequested);
    EXPECT_EQ(currentPort, -1);
    EXPECT_EQ(shell.highestPortSlot, 15);
    EXPECT_EQ(shell.commandDragRow, -1);
    EXPECT_EQ(shell.programDragRow, -1);
    EXPECT_TRUE(shell.aboutAtStart);
    EXPECT_EQ(devicesDir, shell.programDir + "Devices/");
    EXPECT_EQ(logDir, shell.programDir + "Log/");
    EXPECT_FALSE(tempDir.empty());
    EXPECT_FALSE(shell.monitors.empty());
    gchar* cwd = g_get_current_dir();
    EXPECT_EQ(std::string(cwd) + "/", shell.programDir);
    g_free(cwd);

    ASSERT_TRUE(windowVisible(WinMain));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(windowWidget(WinMain))), "Quirlo");
    for (int window : {WinCommandList, WinProgram, WinSettings, WinProtocol, WinAbout, WinProgramInfo})
        EXPECT_FALSE(windowVisible(window)) << window;
    EXPECT_TRUE(windowExists(WinSettings));
    EXPECT_TRUE(windowExists(WinProgramInfo));
    EXPECT_FALSE(windowExists(WinCommandList));
}

TEST_F(StartUp, TimerNinetyNineFiresOnceAndIsRemoved)
{
    EXPECT_TRUE(timerActive(WinMain, TimerStartup));
    EXPECT_TRUE(pumpUntil([] { return !timerActive(WinMain, TimerStartup); }));
    EXPECT_FALSE(eventQueued(EvTimer, WinMain, TimerStartup));
    EXPECT_TRUE(messages.empty());
}

TEST_F(StartUp, ClosingTheMainWindowAsksTheQuitQuestion)
{
    messageAnswers = {ResultNo, ResultClosed};
    send(EvClose, WinMain, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].parentWindow, WinMain);
    EXPECT_EQ(messages[0].title, "Quirlo");
    EXPECT_EQ(messages[0].text, "Applikation beenden?");
    EXPECT_EQ(messages[0].icon, IconQuestion);
    EXPECT_EQ(messages[0].buttons, ButtonsYesNo);
    EXPECT_FALSE(shell.quitRequested);
    EXPECT_TRUE(windowVisible(WinMain));

    send(EvMenu, WinMain, MenuMainEscape);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(shell.quitRequested);

    send(EvMenu, WinMain, MenuQuit);
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_TRUE(shell.quitRequested);
}

TEST_F(StartUp, HelpWithoutTheManualSaysWhereItWasLookedFor)
{
    send(EvMenu, WinMain, MenuMainF1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "'Quirlo.pdf' wurde im Programm-\nHauptverzeichnis nicht gefunden!");
    EXPECT_EQ(messages[0].icon, IconWarning);
    EXPECT_EQ(messages[0].buttons, ButtonsOk);
}

TEST_F(StartUp, ToggleButtonsOpenTheirWindowsAndFollowTheirVisibility)
{
    send(EvControl, WinMain, IdMainCommandListButton);
    ASSERT_TRUE(windowVisible(WinCommandList));
    EXPECT_TRUE(toggleState(WinMain, IdMainCommandListButton));

    send(EvClose, WinCommandList, 0);
    EXPECT_FALSE(windowVisible(WinCommandList));
    EXPECT_TRUE(windowExists(WinCommandList));
    EXPECT_FALSE(toggleState(WinMain, IdMainCommandListButton));

    send(EvControl, WinMain, IdMainCommandListButton);
    EXPECT_TRUE(windowVisible(WinCommandList));
    EXPECT_TRUE(toggleState(WinMain, IdMainCommandListButton));

    // The settings window exists hidden from the start; its button shows it.
    send(EvControl, WinMain, IdMainSettingsButton);
    EXPECT_TRUE(windowVisible(WinSettings));
    EXPECT_TRUE(toggleState(WinMain, IdMainSettingsButton));
}

TEST_F(StartUp, ATerminationSignalClosesAnOpenDialogAndEndsTheLoop)
{
    // The real dialog, which waits in its own loop until someone answers.
    setMessageResponder(nullptr);
    g_idle_add(
        [](gpointer) -> gboolean {
            raise(SIGTERM);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    EXPECT_EQ(messageBox(WinMain, "Quirlo", "Applikation beenden?", IconQuestion, ButtonsYesNo), ResultClosed);
    EXPECT_TRUE(shell.quitRequested);
}
