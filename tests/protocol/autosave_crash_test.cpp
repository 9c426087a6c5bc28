// An autosave killed in the middle of a write leaves the last complete protocol behind.
#include <gtest/gtest.h>

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "common/files.h"
#include "protocol/protocol_export.h"

namespace {

// Writes a protocol that grows by one row per write, for ever.
[[noreturn]] void autosaveForEver(const std::string& path)
{
    ProtocolRows rows;
    for (int line = 0;; ++line) {
        rows.push_back({"Return:", "Messwert " + std::to_string(line) + std::string(40, 'x'), "", ""});
        writeFileAtomic(path, listLogText(rows, false));
    }
}

// The rows of a complete protocol are numbered from 0 without a gap and the last ends its line.
bool completeProtocol(const std::string& bytes)
{
    if (bytes.empty() || bytes.back() != '\n')
        return false;
    size_t start = 0;
    for (int line = 0; start < bytes.size(); ++line) {
        size_t end = bytes.find('\n', start);
        std::string expected = "Return:\tMesswert " + std::to_string(line) + std::string(40, 'x') + "\t\t";
        if (bytes.compare(start, end - start, expected) != 0)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

TEST(AutosaveCrash, EveryKillLeavesACompleteFile)
{
    gchar* dir = g_dir_make_tmp("quirlo-crash-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    std::string path = std::string(dir) + "/QZ.log";
    std::mt19937 random(7);
    int killsDuringWrites = 0;
    for (int kill = 0; kill < 200; ++kill) {
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            autosaveForEver(path);
        usleep(random() % 4000);
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        std::string bytes;
        if (!readWholeFile(path, bytes))
            continue;
        ++killsDuringWrites;
        ASSERT_TRUE(completeProtocol(bytes)) << "after kill " << kill << ": " << bytes.size() << " bytes";
    }
    // Most kills must have hit a running autosave, or the test proves nothing.
    EXPECT_GT(killsDuringWrites, 150);
    std::string cleanup = std::string("rm -rf ") + dir;
    EXPECT_EQ(system(cleanup.c_str()), 0);
    g_free(dir);
}
