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
        // The callbacks hold this host: it is never copied.
        env.date = "08.12.2026";
        env.time = "07:30:00";
        // An expression the evaluator cannot compute ends the run, as its message says.
        env.evaluate = [this](const std::string& text, bool cellMode, double base) {
            ExpressionResult result = evaluateExpressionText(text, cellMode, base);
            if (result.error != ExpressionError::None) {
                messages.push_back("Ausdruck " + text);
                runState.abortRequested = true;
            }
            return result.text;
        };
        env.notify = [this](const PrepareIssue& issue) { messages.push_back("Zeile " + std::to_string(issue.row + 1)); };
        env.aborted = [] { return runState.abortRequested; };
    }
    std::vector<ProgramRow> rows() override { return program; }
    bool checkProgram() override
    {
        env.sendAsIs = PortTable[currentPort].settings.sendAsIs != 0;
        env.readAtOnce = PortTable[currentPort].settings.readAtOnce != 0;
        return prepareProgram(program, env).passed;
    }
    // A row prepared on its own moves the table's cell cursor, as a CellPos row says.
    ProgramRow prepareRow(int row, bool quiet) override
    {
        env.quiet = quiet;
        env.singleRow = true;
        env.loopActive = loopState.loopActive;
        env.loopCounter = loopState.loopCounter;
        env.cellRow = protocol.cellRow;
        env.cellCol = protocol.cellCol;
        ::prepareRow(program[static_cast<size_t>(row)], row, env);
        protocol.cellRow = env.cellRow;
        protocol.cellCol = env.cellCol;
        env.quiet = env.singleRow = false;
        return program[static_cast<size_t>(row)];
    }
    PortChoice portChoice() override { return choice; }
    void started(int) override {}
    void ending() override {}
    void ended() override { ++ends; }
    void refused() override { ++ends; }
    void showRow(int) override {}
    void inform(const std::string&, const std::string& text) override { messages.push_back(text); }
    void warn(const std::string&, const std::string& text) override { messages.push_back(text); }
    bool declined(const std::string& text, int icon) override
    {
        messages.push_back(text + " (" + std::to_string(icon) + ")");
        bool no = !answers.empty() && !answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return no;
    }
    void showPortNotOpen() override { messages.push_back("nicht geöffnet"); }
    // The window presses its Pause button.
    void pause(const std::string& text) override
    {
        messages.push_back("Pause " + text);
        runState.paused = true;
    }
    void beep() override {}
    void clearProtocol() override { lines.clear(); }
    void stop() override { runState.running = false; }
    int64_t openPorts(const std::string&) override
    {
        PortTable[0].isOpen = 1;
        lines.push_back("open");
        return 0;
    }
    bool portsConnecting() override { return false; }
    std::string portsNotOpen(int64_t) override { return ""; }
    void closePorts(const std::string&) override
    {
        PortTable[0].isOpen = 0;
        lines.push_back("close");
    }
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
    // A table's Write value with the cell it goes to.
    void protocolLine(const std::string& text, int kind, const std::string&) override
    {
        lines.push_back(kind == TypeWrite ? text + " @" + std::to_string(protocol.cellRow) + "," +
                                                std::to_string(protocol.cellCol)
                                          : text);
    }
    bool internalLines() override { return false; }
    void awaitPort(const std::string& text) override { messages.push_back(text); }
    void awaitPortEnded() override { messages.push_back("Ende des Wartens"); }
    int64_t nowMs() override { return device.now; }
    std::string timeOfDay() override { return env.time; }

    std::vector<ProgramRow> program;
    PrepareEnvironment env;
    ScriptedDevice device;
    std::vector<std::string> lines;
    std::vector<std::string> messages;
    std::vector<bool> answers; // a program's messages: Yes (true) or No, in order
    int ends = 0;
    PortChoice choice = PortChoice::Chosen;
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;
    // Forgets the program and what the last run did.
    void restart()
    {
        program.clear();
        lines.clear();
        messages.clear();
        answers.clear();
        ends = 0;
        device = ScriptedDevice{};
        runState = RunState{};
        loopState = LoopState{};
    }
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
    void TearDown() override
    {
        currentPort = -1;
        resetProtocolState();
    }
    void row(const std::string& type, const std::string& blank, const std::string& parameters = "")
    {
        host.program.push_back({type, blank, "10", parameters, ""});
    }
    // Starts the run as the Run button does and ticks until it ends, or for ticks only; the
    // time between ticks passes on the device's clock, up to the device's next bytes when the
    // run waits for them.
    void run(int ticks = 1000)
    {
        if (!runState.started)
            runState.running = true;
        for (; host.ends == 0 && ticks > 0; --ticks) {
            RunNext next = engine.tick();
            if (next.kind == RunNext::Kind::WaitForDevice)
                host.device.now = std::min(engine.pendingExchange().wait->deadline(), host.device.nextArrival());
            else
                host.device.now += next.ms;
        }
    }
    TestHost host;
    RunEngine engine{host, runState, loopState};
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
    ASSERT_EQ(host.ends, 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Comnd:\nVOLT 1.5", "Query:\nVOLT?", "Return:\n1.5",
                                                    "Query:\nMEAS? 1", "Return:\n2", "Query:\nMEAS? 2", "Return:\n4",
                                                    "Query:\nMEAS? 3", "Return:\n6"}));
    EXPECT_TRUE(runState.fault.empty());
    EXPECT_FALSE(runState.running);
    EXPECT_EQ(runState.currentRow, 0);
}

TEST_F(RunEngineTest, ASilentDeviceIsTheRunsFaultAndAClosedPortEndsIt)
{
    // A query without an answer is the run's fault, and the run goes on.
    row("1", "VOLT?");
    row("0", "*RST");
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Query:\nVOLT?", "Return:\n | 1x keine Antwort", "Comnd:\n*RST"}));
    EXPECT_EQ(runState.fault, "Keine Antwort auf die Abfrage in Programmzeile 1");

    // Rows for a port that is not open are refused; the third refusal ends the run, also when a
    // loop in the first row goes back to it on every pass, which is no new start.
    host.restart();
    row("5", "Loop <i>,<i>,<i>", "1;20;1");
    row("0", "*TRG");
    row("6", "LoopEnd");
    PortTable[0].isOpen = 0;
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.messages, (std::vector<std::string>{"nicht geöffnet", "nicht geöffnet",
                                                       "Dauerhafter Portfehler!\nProgrammlauf wird abgebrochen!"}));
}

TEST_F(RunEngineTest, AProgramsMessagesAskAsTypedAndNoStopsTheRun)
{
    // Icon 3 shows nothing; a text reaches the dialog as typed.
    row("14", "MsgBox <s>,<i>", "Probe drin?;3");
    row("14", "MsgBox <s>,<i>", "U<5 & I>1?;0");
    row("14", "MsgBox <s>,<i>", "Weiter?;1");
    row("0", "*RST");
    host.answers = {true, false};
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.messages, (std::vector<std::string>{"U<5 & I>1? (0)", "Weiter? (1)"}));
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(RunEngineTest, ALoopMovesTheCellCursorAndAnExpressionErrorEndsTheRun)
{
    protocol.protocolMode = ModeTable;
    row("5", "Loop <i>,<i>,<i>", "1;3;1");
    row("7", "CellPos <i>,<i>", "#LI;2");
    row("8", "Write <s>", "#LI");
    row("6", "LoopEnd");
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"1 @1,2", "2 @2,2", "3 @3,2"}));
    EXPECT_FALSE(loopState.loopActive);

    // The second pass divides by zero: the run ends, and that pass's value has no cell.
    host.restart();
    row("5", "Loop <i>,<i>,<i>", "1;3;1");
    row("7", "CellPos <i>,<i>", "10/(#LI-2)+20;1");
    row("8", "Write <s>", "x#LI");
    row("6", "LoopEnd");
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"x1 @10,1", "x2 @-2147483648,1"}));
    EXPECT_EQ(host.messages, (std::vector<std::string>{"Ausdruck 10/(2-2)+20"}));
    EXPECT_FALSE(runState.running);
}

TEST_F(RunEngineTest, ASingleEntryRunsWithItsPortRowsOnly)
{
    host.device.script["*IDN?"] = {{5, "QUIRLO\r\n"}};
    row("2", "OpenPort <i>", "0");
    row("0", "*RST");
    row("1", "*IDN?");
    row("3", "ClosePort <i>", "0");
    PortTable[0].isOpen = 0;
    runState.singleEntryRow = 2;
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"open", "Query:\n*IDN?", "Return:\nQUIRLO", "close"}));
    EXPECT_EQ(runState.singleEntryRow, -1);

    // Without port rows the entry runs alone, not with its neighbours.
    host.restart();
    host.device.script["VOLT?"] = {{5, "0.0000\r\n"}};
    for (const char* query : {"*IDN?", "VOLT?", "CURR?"})
        row("1", query);
    PortTable[0].isOpen = 1;
    runState.singleEntryRow = 1;
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Query:\nVOLT?", "Return:\n0.0000"}));
}

TEST_F(RunEngineTest, ReadingAtOnceEachAnswerIsTakenAsItComesAndStopEndsAWait)
{
    PortEntry& entry = PortTable[0];
    entry.settings.readAtOnce = 1;
    entry.settings.sendAsIs = 1;
    entry.settings.delayLong = 1000;
    host.device.script["VOLT?"] = {{600, "2.5000\r\n"}};
    host.device.script["echo? Abc"] = {{600, "ABC\r\n"}};
    host.program = {{"0", "volt <f>", "0", "2.5", ""}, {"1", "VOLT?", "0", "", ""}, {"1", "echo? <s>", "0", "Abc", ""}};
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Comnd:\nvolt 2.5", "Query:\nVOLT?", "Return:\n2.5000",
                                                    "Query:\necho? Abc", "Return:\nABC"}));
    // A pause of 0 stays 0: the next row goes on at once.
    EXPECT_EQ(engine.rowPause(1), "0");

    // A device that stays silent: Stop ends the run at its next tick, without the answer.
    host.restart();
    entry.settings.delayLong = 60000;
    row("1", "MEAS:VOLT?");
    run(1);
    runState.running = false;
    run(1);
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Query:\nMEAS:VOLT?"}));
}

// Each row's pause is the time to the next; a PauseOn row waits for the user, and the run goes
// on after it with its pause; Stop ends the run at its next tick; a port that is none, or that
// went away, ends the run with a message that says so.
TEST_F(RunEngineTest, PausesStopAndTheRunsPort)
{
    host.program = {{"0", "*CLS", "30", "", ""}, {"15", "PauseOn <s>", "250", "Probe wechseln\\a", ""}, {"0", "*RST", "10", "", ""}};
    runState.running = true;
    EXPECT_EQ(engine.tick().ms, 30);
    RunNext paused = engine.tick();
    EXPECT_EQ(paused.kind, RunNext::Kind::Done);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Pause Probe wechseln\\a"});
    EXPECT_EQ(engine.resume(), 250);
    EXPECT_FALSE(runState.paused);
    EXPECT_EQ(runState.currentRow, 2);
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Comnd:\n*CLS", "Comnd:\n*RST"}));

    host.restart();
    for (int n = 0; n < 50; ++n)
        row("0", "*CLS");
    run(2);
    runState.running = false;
    run(1);
    EXPECT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines.size(), 2u);

    // An empty program ends at its first tick, without a fault.
    host.restart();
    run();
    EXPECT_EQ(host.ends, 1);
    EXPECT_TRUE(host.messages.empty());

    // No port: a single entry is refused and leaves nothing that would steer the next run.
    host.restart();
    row("0", "*RST");
    row("0", "*CLS");
    host.choice = RunHost::PortChoice::None;
    runState.singleEntryRow = 1;
    run();
    EXPECT_EQ(host.ends, 1);
    EXPECT_EQ(host.messages, std::vector<std::string>{"In Einstellungen-Portauswahl sind keine ComPorts zugewiesen!"});
    EXPECT_EQ(runState.singleEntryRow, -1);
    EXPECT_FALSE(runState.started);
    EXPECT_EQ(engine.resume(), startIntervalMs);

    // A port that went away: its reason, and the run ends.
    host.restart();
    host.choice = RunHost::PortChoice::Chosen;
    row("0", "*RST");
    PortTable[0].isOpen = 0;
    PortTable[0].lostWhy = "Verbindung zu #0 tcp:127.0.0.1:5025 verloren: Gegenstelle hat geschlossen";
    run();
    EXPECT_EQ(host.ends, 1);
    EXPECT_EQ(host.messages, std::vector<std::string>{PortTable[0].lostWhy + "\nProgrammlauf wird abgebrochen!"});
    EXPECT_TRUE(host.lines.empty());
}

// With "Warten und Zeile wiederholen" a device that goes away during a query is waited for; when
// its port is back, nothing that waited is taken for an answer and the query runs again. A port
// that does not come back in time ends the run as one lost without a wait does.
TEST_F(RunEngineTest, ARowCutShortByALostDeviceRunsAgainWhenItsPortIsBack)
{
    PortEntry& entry = PortTable[0];
    entry.name = "pts/7";
    entry.settings.onLoss = 1;
    entry.settings.lossWait = 60;
    host.device.script["VOLT?"] = {{5, "1.5\r\n"}};
    host.device.script["MEAS?"] = {{5, "7\r\n"}};
    host.device.goneAfter = "MEAS?";
    row("1", "VOLT?");
    row("1", "MEAS?");
    row("0", "*RST");
    runState.running = true;
    RunNext next;
    for (int ticks = 0; ticks < 10 && (next = engine.tick()).kind != RunNext::Kind::WaitForReturn; ++ticks)
        host.device.now += next.ms;
    ASSERT_EQ(next.kind, RunNext::Kind::WaitForReturn);
    EXPECT_EQ(next.ms, 60000);
    // The main loop closes the port; the run keeps waiting for the rest of its time.
    entry.isOpen = 0;
    entry.lostWhy = "Verbindung zu #0 pts/7 verloren: Gerät getrennt";
    host.device.now += 2000;
    EXPECT_EQ(engine.tick().ms, 58000);
    entry.isOpen = 1;
    entry.lostWhy.clear();
    host.device = ScriptedDevice{};
    host.device.script["MEAS?"] = {{5, "7\r\n"}};
    host.device.now = 2000;
    host.device.sendNow("old\r\n");
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.lines,
              (std::vector<std::string>{
                  "Query:\nVOLT?", "Return:\n1.5", "Query:\nMEAS?", "Return:\n | keine Antwort",
                  "Warten\n\n\nVerbindung zu #0 pts/7 verloren um 07:30:00; Programmzeile 2 wartet höchstens 60 s auf "
                  "die Rückkehr",
                  "Wiederholung\n\n\n#0 pts/7 wieder verbunden um 07:30:00 (nach 2 s); Programmzeile 2 wird wiederholt",
                  "Query:\nMEAS?", "Return:\n7", "Comnd:\n*RST"}));
    EXPECT_EQ(host.device.lines, (std::vector<std::string>{"MEAS?", "*RST"}));
    EXPECT_EQ(host.messages,
              (std::vector<std::string>{"Verbindung zu #0 pts/7 verloren\nseit 07:30:00.\n\nDer Programmlauf wartet "
                                        "höchstens 60 s auf die Rückkehr des Geräts und wiederholt dann Programmzeile 2.",
                                        "Ende des Wartens"}));
    EXPECT_TRUE(runState.fault.empty());

    // The port stays away past the wait: the run ends with the loss's message.
    host.restart();
    host.device.goneAfter = "VOLT?";
    row("1", "VOLT?");
    row("0", "*RST");
    runState.running = true;
    for (int ticks = 0; ticks < 10 && (next = engine.tick()).kind != RunNext::Kind::WaitForReturn; ++ticks)
        host.device.now += next.ms;
    entry.isOpen = 0;
    entry.lostWhy = "Verbindung zu #0 pts/7 verloren: Gerät getrennt";
    run();
    ASSERT_EQ(host.ends, 1);
    EXPECT_EQ(host.messages.back(), entry.lostWhy + "\nProgrammlauf wird abgebrochen!");
    EXPECT_EQ(host.device.lines, std::vector<std::string>{"VOLT?"});

    // The device went and came back while a query waited its fixed time: what the port has now
    // is not the answer. The query runs again; by default the run ends.
    for (int64_t onLoss : {1, 0}) {
        host.restart();
        entry.settings.onLoss = onLoss;
        entry.isOpen = 1;
        entry.lostWhy.clear();
        host.device.script["VOLT?"] = {{5, "1.5\r\n"}};
        row("1", "VOLT?");
        runState.running = true;
        host.device.now += engine.tick().ms;
        ++entry.losses;
        entry.lastLoss = "Verbindung zu #0 pts/7 verloren: Gerät getrennt";
        host.device.sendNow("Device open failure\r\n");
        run();
        ASSERT_EQ(host.ends, 1);
        if (onLoss) {
            EXPECT_EQ(host.device.lines, (std::vector<std::string>{"VOLT?", "VOLT?"}));
            EXPECT_EQ(host.lines.back(), "Return:\n1.5");
        } else {
            EXPECT_EQ(host.device.lines, std::vector<std::string>{"VOLT?"});
            EXPECT_EQ(host.messages.back(), entry.lastLoss + "\nProgrammlauf wird abgebrochen!");
        }
    }
}
