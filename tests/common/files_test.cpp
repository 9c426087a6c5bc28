// Whole-file reading and crash-safe writing.
#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include "common/background_saves.h"
#include "common/files.h"

namespace {

struct TempDir {
    std::string path;
    TempDir() : path(g_dir_make_tmp("quirlo-files-XXXXXX", nullptr)) {}
    ~TempDir()
    {
        GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
        while (const char* name = g_dir_read_name(dir))
            g_remove((path + "/" + name).c_str());
        g_dir_close(dir);
        g_rmdir(path.c_str());
    }
};

} // namespace

TEST(AtomicWrite, ReplacesTheWholeFileAndLeavesNoStaleBytes)
{
    TempDir dir;
    std::string file = dir.path + "/list.cml";
    ASSERT_TRUE(writeFileAtomic(file, std::string(1000, 'x')));
    ASSERT_TRUE(writeFileAtomic(file, std::string("a\0\xFF" "b", 4)));
    std::string bytes;
    ASSERT_TRUE(readWholeFile(file, bytes));
    EXPECT_EQ(bytes, std::string("a\0\xFF" "b", 4));
    EXPECT_TRUE(fileExists(file));
}

TEST(AtomicWrite, FailsWithoutTouchingAnythingWhereItCannotWrite)
{
    TempDir dir;
    EXPECT_FALSE(writeFileAtomic(dir.path + "/missing/list.cml", "x"));
    std::string bytes = "old";
    EXPECT_FALSE(readWholeFile(dir.path + "/none", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(fileExists(dir.path));
}

// The autosave file keeps the rows that left the protocol at its start: a rewrite keeps those
// bytes and replaces the rest, longer or shorter; one that cannot keep them leaves the file as
// it was.
TEST(AtomicWrite, AReplacementKeepsTheFilesStartOrLeavesTheFileWhole)
{
    TempDir dir;
    std::string file = dir.path + "/QZ.log";
    std::string big(100000, 'k');
    ASSERT_TRUE(replaceFileKeepingStart(file, 0, big + "old tail\n"));
    ASSERT_TRUE(replaceFileKeepingStart(file, static_cast<int64_t>(big.size()), "a much longer new tail\n"));
    ASSERT_TRUE(replaceFileKeepingStart(file, static_cast<int64_t>(big.size()), "new\n"));
    std::string bytes;
    ASSERT_TRUE(readWholeFile(file, bytes));
    EXPECT_EQ(bytes, big + "new\n");
    std::string reason;
    EXPECT_FALSE(replaceFileKeepingStart(file, static_cast<int64_t>(bytes.size()) + 1, "lost\n", &reason));
    EXPECT_FALSE(reason.empty());
    ASSERT_TRUE(readWholeFile(file, bytes));
    EXPECT_EQ(bytes, big + "new\n");
    // Nothing but the file is left in its directory.
    GDir* listing = g_dir_open(dir.path.c_str(), 0, nullptr);
    int names = 0;
    while (g_dir_read_name(listing))
        ++names;
    g_dir_close(listing);
    EXPECT_EQ(names, 1);
}

TEST(WholeFile, OnlyRegularFilesAreReadSoNothingBlocksOrNeverEnds)
{
    TempDir dir;
    std::string fifo = dir.path + "/Quirlo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes = "old";
    // Opening the FIFO would wait for a writer for ever.
    EXPECT_FALSE(readWholeFile(fifo, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(readWholeFile("/dev/zero", bytes));
    EXPECT_FALSE(readWholeFile(dir.path, bytes));
    ASSERT_TRUE(writeFileAtomic(dir.path + "/a.run", "1\t*IDN?\n"));
    ASSERT_TRUE(readWholeFile(dir.path + "/a.run", bytes));
    EXPECT_EQ(bytes, "1\t*IDN?\n");
}
