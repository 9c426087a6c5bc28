// Every kind of file Quirlo saves, killed with SIGKILL at random moments while it is written
// again and again: what is on disk is always one complete version of the file.
#include <gtest/gtest.h>

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "common/ini_file.h"
#include "common/files.h"
#include "common/text.h"
#include "lists/list_format.h"
#include "protocol/protocol_export.h"
#include "serial/device_settings.h"

namespace {

struct SaveKind {
    const char* name;
    const char* file;
    // The file's bytes in version n; each version is longer than the one before.
    std::function<std::string(int)> version;
};

std::string filler(int n)
{
    return "Messwert " + std::to_string(n) + " " + std::string(60, 'x') + " \xB5" "A";
}

std::vector<ListRow> listRows(int n)
{
    std::vector<ListRow> rows;
    for (int row = 0; row <= n; ++row)
        rows.push_back({{"1", filler(row), "100", "Beschreibung " + std::to_string(row), ""}, 0});
    return rows;
}

ProtocolRows protocolRows(int n)
{
    ProtocolRows rows;
    for (int row = 0; row <= n; ++row)
        rows.push_back({"Return:", filler(row), "", ""});
    return rows;
}

const SaveKind kinds[] = {
    {"SettingsFile", "psu.set",
     [](int n) {
         SettingsForm form;
         form.device = filler(n) + std::string(static_cast<size_t>(n), 'D');
         return fileBytesOf(setFileText(form));
     }},
    {"CommandList", "psu.cml", [](int n) { return fileBytesOf(commandListText(listRows(n))); }},
    {"Program", "burnin.run", [](int n) { return fileBytesOf(programText(listRows(n), "Info " + std::to_string(n))); }},
    {"ProtocolLog", "burnin.log", [](int n) { return fileBytesOf(listLogText(protocolRows(n), true)); }},
    {"Autosave", "QZ.log", [](int n) { return fileBytesOf(tableLogText(protocolRows(n), 3)); }},
    {"SettingsIni", "Quirlo.ini",
     [](int n) {
         IniWriter ini;
         ini.group("WINDOWPOS");
         for (int key = 0; key <= n; ++key)
             ini.add("Key" + std::to_string(key), filler(key));
         return ini.text();
     }},
};

[[noreturn]] void saveForEver(const SaveKind& kind, const std::string& path)
{
    for (int n = 0;; ++n)
        writeFileAtomic(path, kind.version(n));
}

// The version the bytes are, -1 when they are none: versions grow, so the length finds it.
int versionOf(const SaveKind& kind, const std::string& bytes)
{
    for (int n = 0; n < 100000; ++n) {
        std::string text = kind.version(n);
        if (text.size() >= bytes.size())
            return text == bytes ? n : -1;
    }
    return -1;
}

// Test lists name a kind by its name, not by its bytes.
void PrintTo(const SaveKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class SaveKill : public ::testing::TestWithParam<SaveKind> {};

} // namespace

TEST_P(SaveKill, EveryKillLeavesTheOldOrTheNewCompleteFile)
{
    gchar* dir = g_dir_make_tmp("quirlo-kill-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    std::string path = std::string(dir) + "/" + GetParam().file;
    std::mt19937 random(7);
    int killsAfterAWrite = 0;
    for (int kill = 0; kill < 200; ++kill) {
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            saveForEver(GetParam(), path);
        usleep(random() % 4000);
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        std::string bytes;
        if (!readWholeFile(path, bytes))
            continue;
        ++killsAfterAWrite;
        ASSERT_GE(versionOf(GetParam(), bytes), 0) << "after kill " << kill << ": " << bytes.size() << " bytes";
    }
    // Most kills must have hit a running save, or the test proves nothing.
    EXPECT_GT(killsAfterAWrite, 150);
    std::string cleanup = std::string("rm -rf ") + dir;
    EXPECT_EQ(system(cleanup.c_str()), 0);
    g_free(dir);
}

INSTANTIATE_TEST_SUITE_P(EveryFile, SaveKill, ::testing::ValuesIn(kinds),
                         [](const ::testing::TestParamInfo<SaveKind>& info) { return std::string(info.param.name); });
