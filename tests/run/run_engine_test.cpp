// Whole programs through the run engine, with a host of the test's own and the scripted device:
// no window, no timer, no port.
#include <gtest/gtest.h>

#include "common/line_types.h"
#include "protocol/protocol_state.h"
#include "run/expression.h"
#include "run/run_engine.h"
#include "run/scripted_device.h"
#include "serial/port_table.h"

namespace {

class TestHost : public RunHost {
public:
    TestHost()
    {
        env.date = "08.12.2026";
        env.time = "07:30:00";
        env.evaluate = [](const std::string& text, bool cellMode, double base) {
            return evaluateExpressionText(text, cellMode, base).text;
        };
        env.notify = [this](const PrepareIssue& issue) { messages.push_back("Zeile " + std::to_string(issue.row + 1)); };
        env.aborted = [] { return runState.abortRequested; };
    }
    std::vector<ProgramRow> rows() override { return program; }
    bool checkProgram() override { return prepareProgram(program, env).passed; }
    ProgramRow prepareRow(int row, bool quiet) override
    {
        env.quiet = quiet;
        env.loopActive = loopState.loopActive;
        env.loopCounter = loopState.loopCounter;
        ::prepareRow(program[static_cast<size_t>(row)], row, env);
        env.quiet = false;
        return program[static_cast<size_t>(row)];
    }
    PortChoice portChoice() override { return PortChoice::Chosen; }
    void started(int) override {}
    void ending() override {}
    void ended() override { ++ends; }
    void refused() override { ++ends; }
    void showRow(int) override {}
    void inform(const std::string&, const std::string& text) override { messages.push_back(text); }
    void warn(const std::string&, const std::string& text) override { messages.push_back(text); }
    bool declined(const std::string& text, int) override
    {
        messages.push_back(text);
        return true;
    }
    void showPortNotOpen() override { messages.push_back("nicht geöffnet"); }
    void pause(const std::string& text) override { messages.push_back("Pause " + text); }
    void beep() override {}
    void clearProtocol() override { lines.clear(); }
    void stop() override { runState.running = false; }
    int64_t openPorts(const std::string&) override { return -1; }
    bool portsConnecting() override { return false; }
    std::string portsNotOpen(int64_t) override { return ""; }
    void closePorts(const std::string&) override { PortTable[0].isOpen = 0; }
    void changePort(const std::string&) override {}
    void setLine(SerialLine, const std::string&) override {}
    void exchange(const std::function<void(Exchange&)>& step) override
    {
        Exchange exchange{device, PortTable[currentPort], ModeList, {"*ESR?", "SYST:ERR?", "*CLS"},
                          [this](const std::string& text, int, const std::string& extra) {
                              lines.push_back(text + (extra.empty() ? "" : " | " + extra));
                          }};
        step(exchange);
    }
    void protocolLine(const std::string& text, int, const std::string&) override { lines.push_back(text); }
    bool internalLines() override { return false; }

    std::vector<ProgramRow> program;
    PrepareEnvironment env;
    ScriptedDevice device;
    std::vector<std::string> lines;
    std::vector<std::string> messages;
    int ends = 0;
};

class RunEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createPortTable();
        portCount = 1;
        currentPort = 0;
        PortTable[0].isOpen = 1;
        PortTable[0].settings.outTerminator = "\r\n";
        PortTable[0].settings.inTerminator = "\r\n";
        PortTable[0].settings.delayLong = 20;
        PortTable[0].settings.inRetry = 1;
        runState = RunState{};
        loopState = LoopState{};
    }
    void TearDown() override { currentPort = -1; }
    void row(const std::string& type, const std::string& blank, const std::string& parameters = "")
    {
        host.program.push_back({type, blank, "10", parameters, ""});
    }
    // Starts the run as the Run button does and ticks until it ends; the time between ticks
    // passes on the device's clock.
    void run()
    {
        runState.running = true;
        RunEngine engine(host, runState, loopState);
        for (int ticks = 0; host.ends == 0 && ticks < 1000; ++ticks)
            host.device.now += engine.tick().ms;
        ASSERT_EQ(host.ends, 1);
    }
    TestHost host;
};

} // namespace

TEST_F(RunEngineTest, CommandsQueriesAndALoopRunRowByRow)
{
    host.device.script["VOLT?"] = {{5, "1.5\r\n"}};
    for (int n = 1; n <= 3; ++n)
        host.device.script["MEAS? " + std::to_string(n)] = {{5, std::to_string(n * 2) + "\r\n"}};
    row("0", "VOLT <f>", "1.5");
    row("1", "VOLT?");
    row("5", "Loop <i>,<i>,<i>", "1;3;1");
    row("1", "MEAS? <i>", "#LI");
    row("6", "LoopEnd");
    row("11", "Comment: <s>", "Ende");
    run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Comnd:\nVOLT 1.5", "Query:\nVOLT?", "Return:\n1.5",
                                                    "Query:\nMEAS? 1", "Return:\n2", "Query:\nMEAS? 2", "Return:\n4",
                                                    "Query:\nMEAS? 3", "Return:\n6"}));
    EXPECT_TRUE(runState.fault.empty());
    EXPECT_FALSE(runState.running);
    EXPECT_EQ(runState.currentRow, 0);
}

TEST_F(RunEngineTest, ASilentDeviceAClosedPortAndAMessageAnsweredNoEndTheRunAsTheyShould)
{
    // A query without an answer is the run's fault, and the run goes on.
    row("1", "VOLT?");
    // A MsgBox answered No stops the run before the rows after it.
    row("14", "MsgBox <s>,<i>", "Weiter?;2");
    row("0", "*RST");
    run();
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Query:\nVOLT?", "Return:\n | 1x keine Antwort"}));
    EXPECT_EQ(runState.fault, "Keine Antwort auf die Abfrage in Programmzeile 1");
    EXPECT_EQ(host.messages, (std::vector<std::string>{"Weiter?"}));

    // Rows for a port that is not open are refused; the third refusal ends the run.
    host = TestHost{};
    host.device = ScriptedDevice{};
    for (int n = 0; n < 4; ++n)
        row("0", "*TRG");
    PortTable[0].isOpen = 0;
    run();
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.messages, (std::vector<std::string>{"nicht geöffnet", "nicht geöffnet",
                                                       "Dauerhafter Portfehler!\nProgrammlauf wird abgebrochen!"}));
}
