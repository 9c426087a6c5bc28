// A lost port's path watched for its return: a link that comes back, also in a directory that
// was gone, is told once; what only looks like it is not.
#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <filesystem>

#include "serial/path_watch.h"

namespace {

// Runs the main loop, waiting for its events, until the condition holds or the watch had a
// generous while to tell.
template <typename Condition>
bool loopUntil(Condition condition)
{
    bool late = false;
    guint bound = g_timeout_add_seconds(20, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &late);
    while (!condition() && !late)
        g_main_context_iteration(nullptr, TRUE);
    if (!late)
        g_source_remove(bound);
    return condition();
}

} // namespace

TEST(PathWatch, ALinkThatComesBackIsToldOnceEvenWhereItsDirectoryWasGone)
{
    gchar* made = g_dir_make_tmp("quirlo-watch-XXXXXX", nullptr);
    std::string dir = made;
    g_free(made);
    std::string link = dir + "/serial/by-id/usb-FTDI-if00-port0";
    int told = 0;
    {
        PathWatch watch(link, [&] { ++told; });
        std::filesystem::create_directories(dir + "/serial/by-id");
        // Something else in the directory is not the port.
        ASSERT_EQ(symlink("/dev/null", (dir + "/serial/by-id/other").c_str()), 0);
        ASSERT_EQ(symlink("/dev/null", (dir + "/serial/link.new").c_str()), 0);
        // The port's link comes the way udev and socat make theirs: renamed into place.
        ASSERT_EQ(g_rename((dir + "/serial/link.new").c_str(), link.c_str()), 0);
        EXPECT_TRUE(loopUntil([&] { return told > 0; }));
        g_unlink(link.c_str());
        ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
        // The creation is seen like the first return was; the watch no longer tells.
        PathWatch second(link, [&] { told += 10; });
        EXPECT_TRUE(loopUntil([&] { return told > 1; }));
    }
    EXPECT_EQ(told, 11);
    std::filesystem::remove_all(dir);
}
