#include "app/start_options.h"

#include <gtest/gtest.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <filesystem>

namespace {

std::string parse(std::vector<std::string> arguments, StartOptions& options)
{
    return parseStartOptions(arguments, options);
}

TEST(StartOptions, AnUnattendedRunWithRepeatedPortsAndEqualsSignsInPaths)
{
    StartOptions options;
    EXPECT_EQ(parse({"--port", "ttyUSB0=Devices/a=b.set", "--port=pts/5", "--port", "/dev/ttyACM0=x.set",
                     "--program=Run/burn in.run", "--commands", "c.cml", "--run", "--log", "Log/n=1.log", "--plot=Log/n.svg", "--reconnect=90", "--exit"},
                    options),
              "");
    ASSERT_EQ(options.ports.size(), 3u);
    EXPECT_EQ(options.ports[0].device, "ttyUSB0");
    EXPECT_EQ(options.ports[0].setFile, "Devices/a=b.set");
    EXPECT_EQ(options.ports[1].device, "pts/5");
    EXPECT_EQ(options.ports[1].setFile, "");
    EXPECT_EQ(options.ports[2].device, "ttyACM0");
    EXPECT_EQ(options.programFile, "Run/burn in.run");
    EXPECT_EQ(options.commandsFile, "c.cml");
    EXPECT_EQ(options.logFile, "Log/n=1.log");
    EXPECT_EQ(options.plotFile, "Log/n.svg");
    EXPECT_TRUE(options.run);
    EXPECT_TRUE(options.exitAfterRun);
    EXPECT_EQ(options.reconnectSeconds, 90);
    EXPECT_FALSE(options.help);
}

TEST(StartOptions, UnusableArgumentsAreRefusedWithTheirReason)
{
    StartOptions options;
    EXPECT_EQ(parse({"--verbose"}, options), "Unbekannte Option: --verbose");
    EXPECT_EQ(parse({"ttyUSB0"}, options), "Unbekannte Option: ttyUSB0");
    EXPECT_EQ(parse({"--program"}, options), "Der Option --program fehlt ihr Wert.");
    EXPECT_EQ(parse({"--log="}, options), "Der Option --log fehlt ihr Wert.");
    EXPECT_EQ(parse({"--run=1"}, options), "Die Option --run nimmt keinen Wert.");
    EXPECT_EQ(parse({"--port", "ttyUSB0="}, options), "Nach \"=\" fehlt die Settingsdatei: ttyUSB0=");
    EXPECT_NE(parse({"--exit"}, options), "");
    for (const char* wait : {"", "-5", "1.5", "60s", "86401", "99999999999999999999"})
        EXPECT_NE(parse({"--run", "--reconnect", wait}, options), "") << wait;
    EXPECT_NE(parse({"--log", "a.log", "--program", "p.run"}, options), "");
    EXPECT_EQ(parse({"--plot", "a.png"}, options),
              "--log, --plot, --reconnect und --exit gelten für den Lauf von --run und brauchen diese Option.");
    // A refused argument leaves nothing of the arguments before it.
    EXPECT_NE(parse({"--run", "--bogus"}, options), "");
    EXPECT_FALSE(options.run);
}

TEST(StartOptions, DeviceNamesThatCouldReachAShellOrLeaveDevAreRefused)
{
    for (const char* bad : {"tty;rm -rf ~", "../etc/passwd", "pts/../../x", "tty USB0", "$(id)", "a//b", "pts/",
                            "-n", "pts/-x", "ttyUSB0`x`"}) {
        StartOptions options;
        EXPECT_EQ(parse({"--port", bad}, options).rfind(std::string("Ungültiger Gerätename: ") + bad, 0), 0u) << bad;
    }
    // Paths and network addresses are ports too; what they name is checked when they open.
    StartOptions options;
    EXPECT_EQ(parse({"--port", "/dev/serial/by-path/pci-0:1.0-port0=a.set", "--port", "tcp:127.0.0.1:5025"}, options),
              "");
    ASSERT_EQ(options.ports.size(), 2u);
    EXPECT_EQ(options.ports[0].device, "/dev/serial/by-path/pci-0:1.0-port0");
    EXPECT_EQ(options.ports[0].setFile, "a.set");
    EXPECT_EQ(options.ports[1].device, "tcp:127.0.0.1:5025");
}

TEST(StartOptions, RelativePathsComeFromTheCurrentDirectoryWhenThereElseFromTheProgram)
{
    gchar* made = g_dir_make_tmp("quirlo-options-XXXXXX", nullptr);
    ASSERT_NE(made, nullptr);
    std::string current = std::string(made) + "/";
    g_free(made);
    std::filesystem::create_directories(current + "Log");
    g_file_set_contents((current + "here.run").c_str(), "", 0, nullptr);

    EXPECT_EQ(startPath("here.run", false, current, "/prog/"), current + "here.run");
    EXPECT_EQ(startPath("Run/burnin.run", false, current, "/prog/"), "/prog/Run/burnin.run");
    EXPECT_EQ(startPath("Log/new.log", true, current, "/prog/"), current + "Log/new.log");
    EXPECT_EQ(startPath("Nowhere/new.log", true, current, "/prog/"), "/prog/Nowhere/new.log");
    EXPECT_EQ(startPath("/abs/x.set", false, current, "/prog/"), "/abs/x.set");
    std::filesystem::remove_all(current);
}

} // namespace
