// Quirlo started from the command line for an unattended run of the demo program against the
// simulated instrument, as a cron job would start it.
#include "gui/harness.h"

#include <cairo.h>
#include <glib.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <fstream>
#include <sstream>

#include "app/start_options.h"
#include "common/files.h"
#include "common/text.h"
#include "serial/loopback.h"

namespace {

// A virtual X server of its own, on a display number it chose itself (no race with other
// servers of the test run); it ends with the object unless it was ended before.
struct XServer {
    GPid pid = 0;
    gint out = -1; // the server's standard output, open while it runs: it may write there again
    std::string display; // ":N"
    explicit XServer(const char* screen)
    {
        const char* argv[] = {"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", nullptr};
        if (!g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr,
                                      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                  G_SPAWN_STDERR_TO_DEV_NULL),
                                      nullptr, nullptr, &pid, nullptr, &out, nullptr, nullptr))
            return;
        char number[16] = {};
        if (read(out, number, sizeof number - 1) > 0)
            display = std::string(":") + g_strstrip(number);
    }
    ~XServer() { end(); }
    void end()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        g_spawn_close_pid(pid);
        close(out);
        pid = 0;
    }
};

// The stand-ins and the home directory of the harness's machine serve the started Quirlo too.
class UnattendedRun : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        programDir = machineDir + "/program/";
        for (const char* dir : {"Devices", "Cmd", "Run", "Log"})
            std::filesystem::create_directories(programDir + dir);
        std::filesystem::copy_file(QUIRLO_PROGRAM, programDir + "quirlo");
        std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.ini", programDir + "Quirlo.ini");
    }
    void TearDown() override
    {
        if (instrument > 0) {
            kill(instrument, SIGTERM);
            waitpid(instrument, nullptr, 0);
            g_spawn_close_pid(instrument);
        }
        QuirloTest::TearDown();
    }

    std::string startInstrument(std::vector<const char*> options = {})
    {
        std::vector<const char*> argv = {QUIRLO_SIM_INSTRUMENT};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(nullptr);
        gint out = -1;
        EXPECT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv.data()), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                                             nullptr, nullptr, &instrument, nullptr, &out, nullptr, nullptr));
        GIOChannel* channel = g_io_channel_unix_new(out);
        gchar* line = nullptr;
        g_io_channel_read_line(channel, &line, nullptr, nullptr, nullptr);
        std::string device = line ? g_strstrip(line) : "";
        g_free(line);
        g_io_channel_shutdown(channel, FALSE, nullptr);
        g_io_channel_unref(channel);
        return device;
    }

    // Starts the command line (Quirlo's path first, or a command that runs Quirlo) in the
    // environment changed by the given variables ("NAME=value", or "NAME" alone to remove it);
    // with errorOutput, the standard error output comes through that pipe.
    GPid startQuirlo(std::vector<std::string> arguments, const std::vector<std::string>& variables = {},
                     gint* errorOutput = nullptr)
    {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        gchar** environment = g_get_environ();
        for (const std::string& variable : variables) {
            size_t equals = variable.find('=');
            environment = equals == std::string::npos
                              ? g_environ_unsetenv(environment, variable.c_str())
                              : g_environ_setenv(environment, variable.substr(0, equals).c_str(),
                                                 variable.substr(equals + 1).c_str(), TRUE);
        }
        GPid pid = 0;
        bool started = g_spawn_async_with_pipes(machineDir.c_str(), argv.data(), environment,
                                                GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                                                nullptr, nullptr, &pid, nullptr, nullptr, errorOutput, nullptr);
        g_strfreev(environment);
        EXPECT_TRUE(started);
        return pid;
    }

    // Runs Quirlo with the arguments until it ends, within half a minute; its exit status, its
    // error output in errors.
    int quirlo(std::vector<std::string> arguments, const std::vector<std::string>& variables = {})
    {
        arguments.insert(arguments.begin(), {"timeout", "30", programDir + "quirlo"});
        gint err = -1;
        GPid pid = startQuirlo(arguments, variables, &err);
        errors.clear();
        char buffer[4096];
        for (ssize_t count; err >= 0 && (count = read(err, buffer, sizeof buffer)) > 0;)
            errors.append(buffer, static_cast<size_t>(count));
        if (err >= 0)
            close(err);
        int status = -1;
        waitpid(pid, &status, 0);
        g_spawn_close_pid(pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> logLines(const std::string& path)
    {
        std::vector<std::string> lines;
        std::ifstream log(path);
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }

    std::string programDir;
    std::string errors;
    GPid instrument = 0;
};

} // namespace

TEST_F(UnattendedRun, TheDemoRunsToItsEndAndLeavesItsTableInTheLogWithoutTouchingTheSettings)
{
    std::string device = startInstrument();
    ASSERT_FALSE(device.empty());
    std::string ini;
    ASSERT_TRUE(readWholeFile(programDir + "Quirlo.ini", ini));

    // The *.set file with "=" in its name, the program by a relative path from the current
    // directory, the log into the program's Log/ because the current directory has none.
    std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.set", machineDir + "/demo=psu.set");
    std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.run", machineDir + "/demo.run");
    EXPECT_EQ(quirlo({"--port", device + "=demo=psu.set", "--program", "demo.run", "--run", "--log",
                      "Log/demo.log", "--plot", "Log/demo.png", "--exit"}),
              ExitRunCompleted)
        << errors;
    // The demo's diagram: U and P over U soll, in their colours.
    cairo_surface_t* plot = cairo_image_surface_create_from_png((programDir + "Log/demo.png").c_str());
    ASSERT_EQ(cairo_surface_status(plot), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(plot), 800);
    EXPECT_EQ(cairo_image_surface_get_height(plot), 600);
    int blue = 0, red = 0;
    const unsigned char* pixels = cairo_image_surface_get_data(plot);
    for (int i = 0; i < 800 * 600; ++i) {
        const unsigned char* pixel = pixels + 4 * i;
        blue += pixel[2] == 32 && pixel[1] == 74 && pixel[0] == 135;
        red += pixel[2] == 204 && pixel[1] == 0 && pixel[0] == 0;
    }
    cairo_surface_destroy(plot);
    EXPECT_GT(blue, 40);
    EXPECT_GT(red, 40);

    std::vector<std::string> lines = logLines(programDir + "Log/demo.log");
    ASSERT_GE(lines.size(), 14u) << errors;
    EXPECT_EQ(lines[1], "1\tHersteller\tQUIRLO\t\t\t\t\t\t\t\t\t");
    EXPECT_EQ(lines[2], "2\tModell\tSIM-PS1\t\t\t\t\t\t\t\t\t");
    EXPECT_EQ(lines[6], "6\tI soll/A\t0.8000\t\t\t\t\t\t\t\t\t");
    EXPECT_EQ(lines[8], "8\tU soll/V\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10");
    EXPECT_EQ(lines[10], "10\tI/A\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000\t0.8000");
    EXPECT_EQ(lines[13], "13\tFehler\t-222\t\t\t\t\t\t\t\t\t");
    EXPECT_EQ(lines[14], "14\t\tData out of range\t\t\t\t\t\t\t\t\t");
    std::string after;
    ASSERT_TRUE(readWholeFile(programDir + "Quirlo.ini", after));
    EXPECT_EQ(after, ini);
}

// Over VXI-11, through liblxi and rpcbind, the demo fills the same table as over a terminal.
TEST_F(UnattendedRun, TheDemoOverVxi11GivesTheTableItGivesOverATerminal)
{
    std::vector<std::vector<std::string>> tables;
    for (bool vxi11 : {false, true}) {
        std::optional<Vxi11Turn> turn;
        if (vxi11)
            turn.emplace();
        std::string device = vxi11 ? startInstrument({"--vxi11"}) : startInstrument();
        ASSERT_FALSE(device.empty());
        std::string log = machineDir + (vxi11 ? "/vxi11.log" : "/pty.log");
        EXPECT_EQ(quirlo({"--port", device + "=" QUIRLO_EXAMPLES "/demo.set", "--program", QUIRLO_EXAMPLES "/demo.run",
                          "--run", "--log", log, "--exit"}),
                  ExitRunCompleted)
            << errors;
        tables.push_back(logLines(log));
        kill(instrument, SIGTERM);
        waitpid(instrument, nullptr, 0);
        g_spawn_close_pid(instrument);
        instrument = 0;
    }
    ASSERT_GE(tables[0].size(), 14u);
    EXPECT_EQ(tables[1], tables[0]);
}

TEST_F(UnattendedRun, ARunWithoutAPortIsRefusedWithStatusOneAndItsMessagesOnStandardError)
{
    std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.run", programDir + "Run/demo.run");
    // Nobody answers a message box in an unattended run: the reports go to standard error.
    EXPECT_EQ(quirlo({"--program=Run/demo.run", "--run", "--log", machineDir + "/refused.log", "--exit"}),
              ExitRunFailed);
    EXPECT_NE(errors.find("quirlo: In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!"), std::string::npos)
        << errors;
    // The log still tells what the run did, nothing, and why it ended.
    std::vector<std::string> log = logLines(machineDir + "/refused.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Programmlauf abgebrochen: In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!");
}

TEST_F(UnattendedRun, ARunAbortedByTheEvaluatorEndsWithStatusOne)
{
    std::string device = startInstrument();
    ASSERT_FALSE(device.empty());
    std::ofstream(machineDir + "/divide.run") << "5\tLoop <i>,<i>,<i>\t0\t1;3;1\n"
                                                 "7\tCellPos <i>,<i>\t0\t10/(#LI-2)+20;1\n"
                                                 "1\t*IDN?\t0\t\n"
                                                 "6\tLoopEnd\t0\t\n";
    EXPECT_EQ(quirlo({"--port", device + "=" QUIRLO_EXAMPLES "/demo.set", "--program", "divide.run", "--run", "--log",
                      machineDir + "/divide.log", "--exit"}),
              ExitRunFailed)
        << errors;
    EXPECT_FALSE(errors.empty());
    std::vector<std::string> log = logLines(machineDir + "/divide.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Programmlauf abgebrochen: Quirlo-Parser: Division durch 0! 'Run'-Zustand wird beendet!");
}

TEST_F(UnattendedRun, AQueryWithoutAnAnswerEndsWithStatusOneAndNamesItsRow)
{
    std::string device = startInstrument();
    ASSERT_FALSE(device.empty());
    // The instrument does not answer a query it does not know.
    std::ofstream(machineDir + "/silent.run") << "1\t*IDN?\t0\t\n1\tFOO?\t0\t\n";
    EXPECT_EQ(quirlo({"--port", device + "=" QUIRLO_EXAMPLES "/demo.set", "--program", "silent.run", "--run", "--log",
                      machineDir + "/silent.log", "--exit"}),
              ExitRunFailed);
    EXPECT_NE(errors.find("quirlo: Keine Antwort auf die Abfrage in Programmzeile 2"), std::string::npos) << errors;
    std::vector<std::string> log = logLines(machineDir + "/silent.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Keine Antwort auf die Abfrage in Programmzeile 2");
}

TEST_F(UnattendedRun, AValueWithoutACellOrAPortLeftClosedEndsWithStatusOne)
{
    std::string device = startInstrument();
    ASSERT_FALSE(device.empty());
    std::ofstream(machineDir + "/lost.run") << "2\tOpenPort <i>\t0\t7\n"
                                               "7\tCellPos <i>,<i>\t0\t5000;1\n"
                                               "8\tWrite <s>\t0\tx\n";
    EXPECT_EQ(quirlo({"--port", device + "=" QUIRLO_EXAMPLES "/demo.set", "--program", "lost.run", "--run", "--log",
                      machineDir + "/lost.log", "--exit"}),
              ExitRunFailed);
    const std::string why = "Messtabelle voll: 1 Werte ohne Zelle (max. Zeilen 4096, max. Spalten 24); "
                            "OpenPort: #7 nicht geöffnet: existiert nicht";
    EXPECT_NE(errors.find("quirlo: " + why), std::string::npos) << errors;
    std::vector<std::string> log = logLines(machineDir + "/lost.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), utf8ToLatin1(why));
}

TEST_F(UnattendedRun, APlotThatCannotBeWrittenIsRefusedAtTheStart)
{
    std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.run", programDir + "Run/demo.run");
    EXPECT_EQ(quirlo({"--program=Run/demo.run", "--run", "--plot", "x.jpg", "--exit"}), ExitBadOptions);
    EXPECT_NE(errors.find("--plot sichert PNG, SVG oder PDF"), std::string::npos) << errors;
    std::ofstream(programDir + "Quirlo.ini") << "[PROTOKOLL]\nProtAsList=1\nProtAsTable=0\n";
    EXPECT_EQ(quirlo({"--program=Run/demo.run", "--run", "--plot", "x.png", "--exit"}), ExitBadOptions);
    EXPECT_NE(errors.find("--plot braucht das Protokoll als Tabelle"), std::string::npos) << errors;
}

TEST_F(UnattendedRun, SigtermDuringARunEndsQuirloCleanlyWithTheAutosaveWritten)
{
    std::string heard = machineDir + "/heard.log";
    std::string device = startInstrument({"--log", heard.c_str()});
    ASSERT_FALSE(device.empty());
    std::ofstream(programDir + "Quirlo.ini", std::ios::app) << "ProtAutoSaveOn=1\n";
    GPid pid = startQuirlo({programDir + "quirlo", "--port", device + "=" QUIRLO_EXAMPLES "/demo.set", "--program",
                            QUIRLO_EXAMPLES "/demo.run", "--run", "--exit"});
    ASSERT_GT(pid, 0);
    // The instrument has heard the loop's first measurement: the run is under way.
    std::string text;
    for (int tries = 0; tries < 3000 && text.find("MEAS:ALL?") == std::string::npos; ++tries) {
        g_usleep(10000);
        readWholeFile(heard, text);
    }
    ASSERT_NE(text.find("MEAS:ALL?"), std::string::npos);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    g_spawn_close_pid(pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), ExitRunFailed);
    std::string autosave;
    for (const auto& file : std::filesystem::directory_iterator(programDir + "Log"))
        readWholeFile(file.path().string(), autosave);
    EXPECT_NE(autosave.find("QUIRLO"), std::string::npos) << autosave;
}

TEST_F(UnattendedRun, LosingTheXServerEndsQuirloWithoutTouchingItsFiles)
{
    XServer server("800x600x24");
    ASSERT_FALSE(server.display.empty());
    std::string ini;
    ASSERT_TRUE(readWholeFile(programDir + "Quirlo.ini", ini));
    forgetStandInCalls();
    GPid pid = startQuirlo({programDir + "quirlo", "--program", QUIRLO_EXAMPLES "/demo.run"},
                           {"DISPLAY=" + server.display});
    ASSERT_GT(pid, 0);
    // Quirlo has its windows when it asks whether xterm is there.
    for (int tries = 0; tries < 3000 && standInCalls().empty(); ++tries)
        g_usleep(10000);
    EXPECT_FALSE(standInCalls().empty());
    server.end();
    int status = 0;
    bool ended = false;
    for (int tries = 0; tries < 3000 && !ended; ++tries) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            g_usleep(10000);
    }
    EXPECT_TRUE(ended);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    g_spawn_close_pid(pid);
    std::string after;
    ASSERT_TRUE(readWholeFile(programDir + "Quirlo.ini", after));
    EXPECT_EQ(after, ini);
}

// An instrument that goes away at a run's third line, a query, and is back 2 s later. The
// instrument's log holds the lines it heard; the run's log is the protocol as a list.
class ReturningInstrument : public UnattendedRun {
protected:
    void SetUp() override
    {
        UnattendedRun::SetUp();
        heard = machineDir + "/heard.log";
        log = machineDir + "/run.log";
        std::ofstream(programDir + "Quirlo.ini") << "[PROTOKOLL]\nProtAsList=1\nProtAsTable=0\n";
        std::ofstream(machineDir + "/p.run") << "1\t*IDN?\t0\t\n0\tVOLT <f>\t0\t2.5\n1\tVOLT?\t0\t\n"
                                                "1\tECHO? <s>\t0\tzwei\n";
        std::string settings;
        readWholeFile(QUIRLO_EXAMPLES "/demo.set", settings);
        settings.replace(settings.find("INSUBSTRINGS=1"), 14, "INSUBSTRINGS=0");
        // Long enough for the loss to be seen while the lost query waits, also on a busy machine.
        settings.replace(settings.find("DELAYLONG=80"), 12, "DELAYLONG=3000");
        std::ofstream(machineDir + "/p.set") << settings;
    }
    // Runs the program on the port with the options; its exit status.
    int runOn(const std::string& port, std::vector<std::string> options = {})
    {
        std::vector<std::string> arguments = {"--port", port + "=" + machineDir + "/p.set", "--program", "p.run",
                                              "--run", "--log", log, "--exit"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return quirlo(arguments);
    }
    std::vector<std::string> heardLines()
    {
        std::vector<std::string> lines;
        for (const std::string& line : logLines(heard))
            lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }
    // The run went through: the lost query once more after the return, every answer after its
    // query, the loss and the return in the log and on the standard error output.
    void expectRepeatedQuery()
    {
        EXPECT_EQ(heardLines(), (std::vector<std::string>{"*IDN?", "VOLT 2.5", "VOLT?", "VOLT?", "ECHO? zwei"}));
        std::vector<std::string> lines = logLines(log);
        std::vector<std::string> exchanged;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(exchanged), [](const std::string& line) {
            return line.rfind("Query:", 0) == 0 || line.rfind("Return:", 0) == 0 || line.rfind("Comnd:", 0) == 0;
        });
        ASSERT_EQ(exchanged.size(), 9u) << joinText(lines, "\n");
        EXPECT_EQ(exchanged[1].substr(0, 14), "Return:\tQUIRLO");
        EXPECT_EQ(exchanged[3].substr(0, 13), "Query:\tVOLT?\t");
        EXPECT_NE(exchanged[4].find("keine Antwort"), std::string::npos) << exchanged[4];
        EXPECT_EQ(exchanged[5].substr(0, 13), "Query:\tVOLT?\t");
        EXPECT_EQ(exchanged[6].substr(0, 14), "Return:\t2.5000");
        EXPECT_EQ(exchanged[8].substr(0, 12), "Return:\tZWEI");
        std::string all = joinText(lines, "\n");
        for (const char* said : {"verloren", "Programmzeile 3 wartet höchstens 30 s",
                                 "wieder verbunden", "Programmzeile 3 wird wiederholt"}) {
            EXPECT_NE(all.find(utf8ToLatin1(said)), std::string::npos) << said << "\n" << all;
            EXPECT_NE(errors.find(said), std::string::npos) << said << "\n" << errors;
        }
    }
    std::string heard;
    std::string log;
};

// A pseudo-terminal behind a socat link: socat gives the instrument's network port a terminal
// and goes at once when the instrument does; started again, it makes a new terminal behind the
// link.
TEST_F(ReturningInstrument, BehindASocatLinkTheRunWaitsAndRepeatsTheLostQueryOrEndsByDefault)
{
    for (bool wait : {true, false}) {
        std::filesystem::remove(heard);
        std::string address = startInstrument({"--tcp", "0", "--drop-after", "3", "--return-after", "2000", "--log",
                                               heard.c_str()});
        ASSERT_EQ(address.rfind("tcp:127.0.0.1:", 0), 0u) << address;
        std::string link = machineDir + "/ttyUSB-by-id";
        Helper socat({"sh", "-c",
                      "while :; do socat -t 0 TCP:127.0.0.1:" + address.substr(14) + ",retry=200,interval=0.05 PTY,link=" +
                          link + ",raw,echo=0; done"});
        for (int tries = 0; tries < 500 && !std::filesystem::exists(link); ++tries)
            g_usleep(10000);
        ASSERT_TRUE(std::filesystem::exists(link));
        if (wait) {
            EXPECT_EQ(runOn(link, {"--reconnect", "30"}), ExitRunCompleted) << errors;
            expectRepeatedQuery();
        } else {
            EXPECT_EQ(runOn(link), ExitRunFailed) << errors;
            EXPECT_EQ(heardLines(), (std::vector<std::string>{"*IDN?", "VOLT 2.5", "VOLT?"}));
            std::vector<std::string> lines = logLines(log);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), utf8ToLatin1("Programmlauf abgebrochen: Verbindung zu #0 " + link +
                                                 " verloren: Gerät getrennt Programmlauf wird abgebrochen!"));
        }
        kill(instrument, SIGTERM);
        waitpid(instrument, nullptr, 0);
        g_spawn_close_pid(instrument);
        instrument = 0;
    }
}

// The instrument on the network restarts on the same port; the policy is its settings file's.
TEST_F(ReturningInstrument, OverTheNetworkTheSettingsFilesPolicyWaitsForTheInstrument)
{
    std::ofstream(machineDir + "/p.set", std::ios::app) << "ONLOSS=1\nLOSSWAIT=30\n";
    std::string address =
        startInstrument({"--tcp", "0", "--drop-after", "3", "--return-after", "2000", "--log", heard.c_str()});
    EXPECT_EQ(runOn(address), ExitRunCompleted) << errors;
    expectRepeatedQuery();
}

// Through a serial device server: ser2net closes the connection when the terminal goes, and
// while it is away greets a new connection with its failure and closes it again.
TEST_F(ReturningInstrument, ThroughSer2netTheRunWaitsForTheTerminalBehindTheServer)
{
    std::string link = machineDir + "/ttyUSB-by-id";
    startInstrument({"--link", link.c_str(), "--drop-after", "3", "--return-after", "2000", "--log", heard.c_str()});
    int port = freeLoopbackPort();
    std::string config = machineDir + "/ser2net.yaml";
    std::ofstream(config) << "connection: &instrument\n  accepter: tcp,127.0.0.1," << port
                          << "\n  connector: serialdev," << link << ",9600n81,local\n";
    Helper server({"ser2net", "-n", "-u", "-c", config});
    // The server listens once a connection to it is taken.
    bool listening = false;
    for (int tries = 0; tries < 500 && !listening; ++tries) {
        int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listening = connect(probe, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
        close(probe);
        if (!listening)
            g_usleep(10000);
    }
    ASSERT_TRUE(listening);
    EXPECT_EQ(runOn("tcp:127.0.0.1:" + std::to_string(port), {"--reconnect", "30"}), ExitRunCompleted) << errors;
    expectRepeatedQuery();
}

TEST_F(UnattendedRun, UnusableOptionsEndQuirloWithStatusTwoBeforeAnyWindow)
{
    EXPECT_EQ(quirlo({"--port", "ttyUSB0;reboot", "--run"}), 2);
    EXPECT_NE(errors.find("Ungültiger Gerätename: ttyUSB0;reboot"), std::string::npos) << errors;
    EXPECT_FALSE(fileExists(machineDir + "/tty.txt"));
}


namespace {

// One start of the matrix: what is changed before Quirlo starts, and how.
struct StartCase {
    const char* name;
    std::function<void(const std::string& machine, const std::string& program)> prepare;
    std::vector<std::string> variables;
    const char* screen; // an X server of this size of its own, or nullptr
};

void makeFifo(const std::string& path)
{
    std::filesystem::remove_all(path);
    mkfifo(path.c_str(), 0600);
}

const StartCase startCases[] = {
    {"NoHome", nullptr, {"HOME"}, nullptr},
    {"MissingHome", nullptr, {"HOME=/nonexistent/quirlo"}, nullptr},
    {"HomeIsAFile",
     [](const std::string& machine, const std::string&) { std::ofstream(machine + "/home-file") << "x"; },
     {"HOME=home-file"}, nullptr},
    {"ReadOnlyProgramDirectoryWithoutItsDirectories",
     [](const std::string&, const std::string& program) {
         for (const char* dir : {"Devices", "Cmd", "Run", "Log"})
             std::filesystem::remove_all(program + dir);
         chmod(program.c_str(), 0555);
     },
     {}, nullptr},
    {"FifoAsSettingsFile", [](const std::string&, const std::string& program) { makeFifo(program + "Quirlo.ini"); },
     {}, nullptr},
    {"DirectoryAsSettingsFile",
     [](const std::string&, const std::string& program) {
         std::filesystem::remove(program + "Quirlo.ini");
         std::filesystem::create_directory(program + "Quirlo.ini");
     },
     {}, nullptr},
    {"FifoAsProgram", [](const std::string& machine, const std::string&) { makeFifo(machine + "/demo.run"); }, {}, nullptr},
    {"PlainLocale", nullptr, {"LANG=C", "LC_ALL=C"}, nullptr},
    {"GermanLocale", nullptr, {"LANG=de_DE.UTF-8", "LC_ALL=de_DE.UTF-8"}, nullptr},
    {"TinyScreen", nullptr, {}, "320x240x24"},
    {"HugeScreen", nullptr, {}, "7680x4320x24"},
};

// Test lists name a case by its name, not by its bytes.
void PrintTo(const StartCase& start, std::ostream* out)
{
    *out << start.name;
}

class StartMatrix : public UnattendedRun, public ::testing::WithParamInterface<StartCase> {};

} // namespace

// Whatever the surroundings, Quirlo starts, reaches its run (refused here: there is no port)
// and ends.
TEST_P(StartMatrix, QuirloStartsRunsAndEnds)
{
    std::filesystem::copy_file(QUIRLO_EXAMPLES "/demo.run", machineDir + "/demo.run");
    if (GetParam().prepare)
        GetParam().prepare(machineDir, programDir);
    std::vector<std::string> variables = GetParam().variables;
    std::optional<XServer> screen;
    if (GetParam().screen) {
        screen.emplace(GetParam().screen);
        ASSERT_FALSE(screen->display.empty());
        variables.push_back("DISPLAY=" + screen->display);
    }
    int status = quirlo({"--program", "demo.run", "--run", "--exit"}, variables);
    chmod(programDir.c_str(), 0755);
    EXPECT_EQ(status, ExitRunFailed) << errors;
    EXPECT_NE(errors.find("In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!"), std::string::npos)
        << errors;
}

INSTANTIATE_TEST_SUITE_P(Surroundings, StartMatrix, ::testing::ValuesIn(startCases),
                         [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });
