// Runs Quirlo's start-up inside the test process under the virtual X server, posts events,
// pumps the loop until it is idle, and scripts the message dialog and the file chooser. Each
// test gets a machine of its own: a temporary home directory, an empty kernel device list, and
// stand-ins for xterm, dmesg, ls, groups, which and sudo first on PATH. The stand-ins record
// their arguments; dmesg prints the file "dmesg", ls -l answers from the file "rights" (lines
// "NAME MODE GROUP"), groups prints the file "groups", all in machineDir.
#pragma once

#include <glib.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/events.h"
#include "ui/message_dialog.h"

// The VXI-11 instrument of a test: rpcbind knows one core channel per machine, so the tests
// that serve one take turns; rpcbind is started where it does not run.
struct Vxi11Turn {
    Vxi11Turn();
    ~Vxi11Turn();
    int lock = -1;
};

// A helper process of a test (a device server, a socat loop), in a process group of its own so
// that it ends with everything it started.
struct Helper {
    // With awaited, reads what the helper prints until a line holds it (its address, once it
    // serves; "" for its first line) and keeps that line.
    explicit Helper(std::vector<std::string> arguments, const char* awaited = nullptr);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    GPid pid = 0;
    std::string line;
    GIOChannel* output = nullptr;
};

class QuirloTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Called before the start-up, with the machine ready: a fixture writes its files here.
    virtual void prepareMachine() {}

    // Writes a file of the test's machine (see above).
    void writeMachineFile(const std::string& name, const std::string& content);
    // The stand-ins' calls so far, one line each: the program's name and its arguments, each
    // argument in brackets.
    std::vector<std::string> standInCalls();
    void forgetStandInCalls();
    std::string machineDir;

    // Handles every queued event and every pending toolkit event, until there is none. A loop
    // still busy after busyLimitMs fails the test, naming what kept it busy.
    void pumpUntilIdle();
    // Handles events as they arrive, blocking while there are none, until the condition holds
    // when the loop is idle; false when it still does not after the seconds, which is a
    // failure, not a wait.
    bool pumpUntil(const std::function<bool()>& condition, int seconds = 5);
    int busyLimitMs = 10000;
    // Pumps until the window system has given the window this inner size.
    bool waitForSize(int window, int width, int height);
    void post(int kind, int window, int object, int type = 0);
    // Posts the event and pumps until idle.
    void send(int kind, int window, int object, int type = 0);

    // While set, ticks of the real timers are dropped and only the ticks the test posts are
    // handled, so a test decides when a run takes its steps.
    bool manualTicks = false;

    // Answers for the next message dialogs, in order; 6 (OK/Yes) once they are used up.
    std::deque<int> messageAnswers;
    std::vector<MessageRequest> messages;
    // The messages of the start-up, taken out of messages when it is done.
    std::vector<MessageRequest> startUpMessages;
    std::deque<std::string> fileAnswers;
    std::vector<FileRequest> fileRequests;

private:
    void handle(const Event& event);
    // Pumps until idle (true) or until the deadline (false, with what kept the loop busy).
    bool pump(gint64 deadline, std::string& busy);
    int postedTicks = 0;
};
