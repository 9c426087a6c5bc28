// The program's directories resolved at start-up, and the event queue.
#include <gtest/gtest.h>

#include <glib.h>

#include "app/paths.h"
#include "ui/events.h"

TEST(Paths, ProgramDirIsTheExecutablesDirectoryWithASlash)
{
    std::string dir = findProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    ASSERT_NE(exe, nullptr);
    EXPECT_EQ(std::string(exe).rfind(dir, 0), 0u);
    g_free(exe);
}

TEST(Paths, UnsetOrEmptyHomeFallsBackToTheCurrentDirectory)
{
    gchar* cwd = g_get_current_dir();
    std::string expected = withTrailingSlash(cwd);
    g_free(cwd);
    const char* saved = g_getenv("HOME");
    std::string savedHome = saved ? saved : "";

    g_unsetenv("HOME");
    EXPECT_EQ(findHomeDir(), expected);
    g_setenv("HOME", "", TRUE);
    EXPECT_EQ(findHomeDir(), expected);
    g_setenv("HOME", "/home/lab", TRUE);
    EXPECT_EQ(findHomeDir(), "/home/lab/");
    g_setenv("HOME", "/home/lab/", TRUE);
    EXPECT_EQ(findHomeDir(), "/home/lab/");

    if (saved)
        g_setenv("HOME", savedHome.c_str(), TRUE);
}

TEST(EventQueue, KeepsOrderAndDropsOnlyTheNamedEvents)
{
    clearEvents();
    postEvent(15, 2, 98);
    postEvent(3, 2, 40, 2);
    postEvent(15, 0, 99);
    EXPECT_TRUE(eventQueued(15, 2, 98));
    dropQueuedEvents(15, 2, 98);
    EXPECT_FALSE(eventQueued(15, 2, 98));
    Event event;
    ASSERT_TRUE(takeEvent(event));
    EXPECT_EQ(event.object, 40);
    EXPECT_EQ(event.type, 2);
    ASSERT_TRUE(takeEvent(event));
    EXPECT_EQ(event.object, 99);
    EXPECT_FALSE(takeEvent(event));
}
