// The INI dialect of Quirlo.ini, its groups as subsystems declare them, and the window places
// held on monitor 0.
#include <gtest/gtest.h>

#include "common/ini_file.h"
#include "common/ini_settings.h"

TEST(IniFile, ReadsTheDialectWhateverTheCaseAndTheBlanks)
{
    IniFile ini("\xEF\xBB\xBF; a comment\n"
                "outside = 1\n"
                "[WindowPos]\n"
                "  WinCmdX\t=\t  120px  \n"
                "WINCMDY=-5\n"
                "WinCmdW = abc\n"
                "WinCmdH = $ff\n"
                "empty =\n"
                "noequals\n"
                "\n"
                "[AUTOLOAD]\n"
                "CommandFile =  /home/anna/Geräte/netz.cml  \n"
                "[windowpos]\n"
                "WinCmdX = 999\n");
    EXPECT_EQ(ini.number("WINDOWPOS", "wincmdx", 0), 120);
    EXPECT_EQ(ini.number("WINDOWPOS", "WinCmdY", 0), -5);
    EXPECT_EQ(ini.number("WINDOWPOS", "WinCmdW", 615), 0);
    EXPECT_EQ(ini.number("WINDOWPOS", "WinCmdH", 510), 0);
    EXPECT_EQ(ini.number("WINDOWPOS", "WinPrgX", 100), 100);
    EXPECT_EQ(ini.text("WINDOWPOS", "empty", "x"), "");
    EXPECT_EQ(ini.text("AUTOLOAD", "CommandFile", ""), "/home/anna/Geräte/netz.cml");
    // A key belongs to its group only; keys outside any group are not read.
    EXPECT_EQ(ini.text("AUTOLOAD", "WinCmdX", "none"), "none");
    EXPECT_EQ(ini.text("", "outside", "none"), "none");

    std::string huge = "[A]\nkey = " + std::string(1 << 20, 'x') + "\n";
    EXPECT_EQ(IniFile(huge).text("a", "KEY", "").size(), 1u << 20);
    EXPECT_EQ(IniFile(std::string("\0\xFF[\x01\n=", 6)).number("a", "b", 7), 7);
}

TEST(IniFile, WritesOneLayout)
{
    IniWriter ini;
    ini.group("WINDOWPOS");
    ini.add("WinMainOn", 1);
    ini.add("WinMainX", -4);
    ini.group("AUTOLOAD");
    ini.add("ProgrammFile", "Run/mess.run");
    EXPECT_EQ(ini.text(), "[WINDOWPOS]\nWinMainOn = 1\nWinMainX = -4\n\n[AUTOLOAD]\nProgrammFile = Run/mess.run\n");
    EXPECT_EQ(IniFile(ini.text()).text("autoload", "programmfile", ""), "Run/mess.run");
}

TEST(IniFile, WindowPlacesAreHeldOnMonitorZero)
{
    EXPECT_EQ(clampMainWindow(0, 0, 1280, 1024), (std::pair<int64_t, int64_t>{4, 24}));
    EXPECT_EQ(clampMainWindow(5000, 5000, 1280, 1024), (std::pair<int64_t, int64_t>{1116, 804}));
    EXPECT_EQ(clampWindow(-30, 2000, 615, 510, 1280, 1024), (std::pair<int64_t, int64_t>{0, 514}));
    const int64_t far = int64_t{1} << 62;
    EXPECT_EQ(clampMainWindow(far, -far, 1280, 1024), (std::pair<int64_t, int64_t>{1116, 24}));
    EXPECT_EQ(clampWindow(-far, far, 500, 246, 1280, 1024), (std::pair<int64_t, int64_t>{0, 778}));
}

// One declaration writes a group and reads it back: groups in the order registered, a group
// that says so left out, a missing key's stand-in taken, a list read up to its first gap, and a
// group read apart only when asked for.
TEST(IniGroups, OneDeclarationWritesAndReadsEachGroup)
{
    bool on = true;
    int64_t count = 7;
    std::string name = "x";
    std::vector<std::string> items = {"a", "b"};
    bool quiet = false;
    auto declare = [&] {
        clearIniGroups();
        IniGroup first("FIRST", {flagKey("On", on), numberKey("Count", count)});
        first.list = IniList{"Item", [&] { return items; }, [&](const std::vector<std::string>& read) { items = read; }};
        registerIniGroup(std::move(first));
        IniGroup unused("UNUSED", {flagKey("Quiet", quiet)});
        unused.written = [&] { return quiet; };
        registerIniGroup(std::move(unused));
        IniGroup apart("APART", {{"Name", [&] { return name; }, [&](const std::string& value) { name = value; }, "none"}});
        apart.readApart = true;
        registerIniGroup(std::move(apart));
    };
    declare();
    EXPECT_EQ(iniText(), "[FIRST]\nOn = 1\nCount = 7\nItem1 = a\nItem2 = b\n\n[APART]\nName = x\n");

    on = false;
    count = 0;
    readIniGroups(IniFile("[first]\non = 1\ncount = 12abc\nitem1 = c\nitem3 = e\n[apart]\nname = y\n"));
    EXPECT_TRUE(on);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(items, std::vector<std::string>{"c"});
    EXPECT_EQ(name, "x");
    readIniGroup(IniFile("[first]\n"), "APART");
    EXPECT_EQ(name, "none");
    clearIniGroups();
}
