// The search for instruments as Quirlo runs it: the search program's lines reach the hooks in
// the main context, a program that dies ends the search as cut short, and Stop ends it.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "serial/lan_search.h"

namespace {

// A quirlo-lan-search of the test's own, first on PATH.
struct FakeSearchProgram {
    explicit FakeSearchProgram(const std::string& script)
        : dir(g_dir_make_tmp("lan-search-XXXXXX", nullptr)), path(g_getenv("PATH"))
    {
        std::string program = dir + "/quirlo-lan-search";
        std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
        g_chmod(program.c_str(), 0755);
        g_setenv("PATH", (dir + ":" + path).c_str(), TRUE);
    }
    ~FakeSearchProgram()
    {
        g_setenv("PATH", path.c_str(), TRUE);
        for (const char* name : {"quirlo-lan-search", "pid"})
            g_remove((dir + "/" + name).c_str());
        g_rmdir(dir.c_str());
    }
    std::string dir;
    std::string path;
};

struct Heard {
    std::vector<std::string> lines;
    bool ended = false;
    LanSearchHooks hooks()
    {
        return {[this](const FoundInstrument& found) { lines.push_back(found.port + " = " + found.id); },
                [this](int done, int steps) { lines.push_back(std::to_string(done) + "/" + std::to_string(steps)); },
                [this](bool complete) {
                    lines.push_back(complete ? "complete" : "cut short");
                    ended = true;
                }};
    }
};

void iterateUntil(const std::function<bool()>& condition)
{
    while (!condition())
        g_main_context_iteration(nullptr, TRUE);
}

} // namespace

TEST(LanSearch, TheProgramsLinesBecomeFindsAndItsEndTellsWhetherItRanThrough)
{
    {
        FakeSearchProgram program(R"(printf 'steps\t2\nfound\tvxi11:10.0.0.5\tACME,DMM,1,2\nstep\t1\n'
printf 'found\ttcp:10.0.0.6:5025\tSCOPE <09> X\nstep\t2\nend\n')");
        Heard heard;
        LanSearch search;
        ASSERT_TRUE(search.start(heard.hooks(), 1000));
        iterateUntil([&] { return heard.ended; });
        EXPECT_EQ(heard.lines, (std::vector<std::string>{"vxi11:10.0.0.5 = ACME,DMM,1,2", "1/2",
                                                         "tcp:10.0.0.6:5025 = SCOPE <09> X", "2/2", "complete"}));
        EXPECT_FALSE(search.running());
    }
    {
        // A search that crashes keeps what it found, and the end says it was cut short.
        FakeSearchProgram program(R"(printf 'steps\t3\nfound\tvxi11:10.0.0.5\tACME\nstep\t1\n'; kill -SEGV $$)");
        Heard heard;
        LanSearch search;
        ASSERT_TRUE(search.start(heard.hooks(), 1000));
        iterateUntil([&] { return heard.ended; });
        EXPECT_EQ(heard.lines, (std::vector<std::string>{"vxi11:10.0.0.5 = ACME", "1/3", "cut short"}));
    }
}

TEST(LanSearch, StopEndsTheProgramAndNothingIsHeardAfter)
{
    FakeSearchProgram program(R"(echo $$ > "$(dirname "$0")/pid"; printf 'steps\t2\n'; exec sleep 60)");
    Heard heard;
    LanSearch search;
    ASSERT_TRUE(search.start(heard.hooks(), 1000));
    std::string pid;
    // The pid is written before the line that wakes the loop.
    iterateUntil([&] {
        std::ifstream(program.dir + "/pid") >> pid;
        return !pid.empty();
    });
    search.stop();
    EXPECT_FALSE(search.running());
    // The program is gone once its end has been collected.
    iterateUntil([&] { return kill(static_cast<pid_t>(std::stoi(pid)), 0) != 0; });
    EXPECT_TRUE(heard.lines.empty());
}
