// Files that are damaged, huge, binary or not files at all: each load gives a clear message or
// the format's silent default, and never costs the user a list (their load times: bench/).
#include "gui/harness.h"

#include <glib.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/settings_ini.h"
#include "common/files.h"
#include "lists/list_files.h"
#include "lists/list_format.h"
#include "serial/settings_port_page.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/windows.h"

using namespace std::string_literals;

namespace {

class DamagedFiles : public QuirloTest {
protected:
    void SetUp() override
    {
        QuirloTest::SetUp();
        send(EvControl, WinMain, IdMainCommandListButton);
        send(EvControl, WinMain, IdMainProgramButton);
    }
    std::string file(const std::string& name, const std::string& bytes)
    {
        std::string path = machineDir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Loads into the list with its rows as they were; the rows afterwards.
    int load(int list, const std::string& path)
    {
        int window = list == IdCmdList ? WinCommandList : WinProgram;
        loadList(list, false, path);
        pumpUntilIdle();
        return rowCount(window, list);
    }
};

std::string binary(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919 + i / 13) & 0xFF);
    return bytes;
}

} // namespace

TEST_F(DamagedFiles, ListsThatCannotBeReadKeepTheRowsTheyWouldReplace)
{
    ASSERT_EQ(load(IdCmdList, file("good.cml", "1\t*IDN?\t100\tIdentifikation\n")), 1);
    std::filesystem::create_directory(machineDir + "/folder.cml");
    for (const std::string& path : {machineDir + "/folder.cml", machineDir + "/missing.cml"}) {
        messages.clear();
        messageAnswers = {ResultYes};
        EXPECT_EQ(load(IdCmdList, path), 1) << path;
        ASSERT_EQ(messages.size(), 2u) << path;
        EXPECT_EQ(messages[1].text, "Datei konnte nicht geladen werden!\n" + path);
    }
}

TEST_F(DamagedFiles, SettingsFilesOfBinaryBytesOrHugeLinesFillTheFormWithValidText)
{
    for (const std::string& bytes : {binary(64 * 1024), "VER=3\nDEVICE=" + std::string(10u << 20, 'N') + "\nBAUD=9600\n",
                                     "VER=3\nDEVICE=\0\0x\nBAUD=\xff\xfe\n"s, std::string()}) {
        ASSERT_TRUE(loadSettingsFrom(file("damaged.set", bytes)));
        pumpUntilIdle();
        EXPECT_TRUE(g_utf8_validate(controlText(WinSettings, IdSetDevice).c_str(), -1, nullptr));
    }
    std::filesystem::create_directory(machineDir + "/folder.set");
    EXPECT_FALSE(loadSettingsFrom(machineDir + "/folder.set"));
}
