// Whole-file reading and crash-safe writing.
#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

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
