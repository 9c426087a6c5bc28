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

namespace {

int polls = 0;
GPollFunc plainPoll = nullptr;

gint countedPoll(GPollFD* descriptors, guint count, gint timeout)
{
    ++polls;
    return plainPoll(descriptors, count, timeout);
}

} // namespace

// While the lost port's path stays away, its watch wakes the loop not once: counted while the
// loop waits a second for a timer of the test's own, which wakes it once.
TEST(PathWatch, WhileNothingChangesTheWatchWakesNobody)
{
    gchar* made = g_dir_make_tmp("quirlo-watch-XXXXXX", nullptr);
    std::string dir = made;
    g_free(made);
    int told = 0;
    // One whose directory is gone too, one in a directory that is there.
    PathWatch byId(dir + "/serial/by-id/usb-FTDI-if00-port0", [&] { ++told; });
    PathWatch link(dir + "/ttyUSB-link", [&] { ++told; });
    plainPoll = g_main_context_get_poll_func(nullptr);
    g_main_context_set_poll_func(nullptr, countedPoll);
    bool over = false;
    g_timeout_add(1000, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &over);
    polls = 0;
    while (!over)
        g_main_context_iteration(nullptr, TRUE);
    g_main_context_set_poll_func(nullptr, plainPoll);
    EXPECT_EQ(polls, 1);
    EXPECT_EQ(told, 0);
    std::filesystem::remove_all(dir);
}
