// Port discovery over texts and a temporary device tree: the kernel-log parse, removal, the
// access rules, and the fallback to the kernel's device list.
#include <gtest/gtest.h>

#include <glib.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "serial/port_discovery.h"

namespace {

std::vector<std::string> names(const std::vector<DiscoveredPort>& ports)
{
    std::vector<std::string> result;
    for (const DiscoveredPort& port : ports)
        result.push_back(port.name);
    return result;
}

} // namespace

TEST(PortDiscovery, KernelLogAnnouncementsInOrderWithTags)
{
    std::vector<DiscoveredPort> ports = parseKernelLog(
        "[    0.91] 00:01: ttyS0 at I/O 0x3f8 (irq = 4, base_baud = 115200) is a 16550A\n"
        "[    1.20] printk: console [ttyS0] enabled\n"
        "[    5.10] usb 1-1.2: pl2303 converter now attached to ttyUSB0\r\n"
        "[    6.00] usb 1-1.3: ch341-uart converter now attached to ttyUSB1\n"
        "[    7.00] cdc_acm 1-1.4:1.0: ttyACM0: USB ACM device\n"
        "[    8.00] usb 1-1.5: pl2303 converter now attached to ttyUSB0\n");
    EXPECT_EQ(names(ports), (std::vector<std::string>{"ttyS0", "ttyUSB0", "ttyUSB1", "ttyACM0", "ttyUSB0"}));
    EXPECT_EQ(ports[0].tag, "serial");
    EXPECT_EQ(ports[1].tag, "usb 1-1.2: pl2303");
    EXPECT_EQ(ports[2].tag, "usb 1-1.3: ch341-uart");
    EXPECT_EQ(ports[3].tag, "cdc_acm 1-1.4:1.0");

    // A disconnect removes every entry of that name found so far.
    ports = parseKernelLog(
        "[5.1] usb 1-1.2: pl2303 converter now attached to ttyUSB0\n"
        "[5.2] usb 1-1.2: pl2303 converter now attached to ttyUSB0\n"
        "[5.3] pl2303 ttyUSB0: pl2303 converter now disconnected from ttyUSB0\n"
        "[5.4] usb 1-1.3: pl2303 converter now attached to ttyUSB1\n");
    EXPECT_EQ(names(ports), std::vector<std::string>{"ttyUSB1"});
}

TEST(PortDiscovery, NamesThatCouldRunAsCommandsAreLeftOut)
{
    std::vector<DiscoveredPort> ports = parseKernelLog(
        "[1.0] usb 1-1: pl2303 converter now attached to ttyUSB0;touch ${MARKER}\n"
        "[1.1] usb 1-1: pl2303 converter now attached to ttyUSB$(touch /tmp/x)\n"
        "[1.2] usb 1-1: pl2303 converter now attached to ttyUSB`id`\n"
        "[1.3] 00:01: ttyS0|rm at I/O 0x3f8\n"
        "[1.4] usb 1-1: pl2303 converter now attached to ttyUSB2\n");
    EXPECT_EQ(names(ports), std::vector<std::string>{"ttyUSB2"});
    EXPECT_TRUE(validDeviceName("tty_AMA-0"));
    EXPECT_FALSE(validDeviceName(""));
    EXPECT_FALSE(validDeviceName("../sda"));
    EXPECT_FALSE(validDeviceName("ttyS0 x"));
}

TEST(PortDiscovery, RemovalMovesDiscoveryFieldsButNotSettings)
{
    std::vector<PortEntry> table(3);
    int64_t count = fillPortTable(table, {{"ttyS0", "serial"}, {"ttyS1", "serial"}, {"ttyUSB0", "usb"}});
    table[1].settings.baud = 9600;
    table[2].accessible = 1;
    table[2].access = "dialout";
    removePortEntry(table, count, 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(table[1].name, "ttyUSB0");
    EXPECT_EQ(table[1].access, "dialout");
    EXPECT_EQ(table[1].settings.baud, 9600);
    EXPECT_EQ(table[2].name, "");
    EXPECT_EQ(table[2].accessible, 0);

    // A position that gets another port forgets the old port's access; the same port keeps it.
    table[0].accessible = 2;
    table[0].access = "anna";
    fillPortTable(table, {{"ttyS0", "serial"}, {"ttyACM0", "cdc_acm"}});
    EXPECT_EQ(table[0].access, "anna");
    EXPECT_EQ(table[1].access, "");
    EXPECT_EQ(fillPortTable(table, std::vector<DiscoveredPort>(5, {"ttyS9", "serial"})), 5);
    EXPECT_EQ(table.size(), 5u);
}

TEST(PortDiscovery, AccessFromListingTakesEachPortsOwnLine)
{
    std::vector<PortEntry> table(5);
    int64_t count = fillPortTable(
        table, {{"ttyS1", ""}, {"ttyS10", ""}, {"ttyUSB0", ""}, {"ttyUSB1", ""}, {"ttyACM0", ""}});
    table[4].accessible = 2;
    table[4].access = "kept";
    const std::string listing =
        "crw-rw---- 1 root dialout 4, 65 Dec  7 11:00 /dev/ttyS1\n"
        "crw-rw-rw- 1 root tty     4, 74 Dec  7 11:00 /dev/ttyS10\n"
        "crw-rw---- 1 root dialout 188, 0 Dec  7 11:00 /dev/ttyUSB0\n"
        "crw----rw- 1 root root    188, 1 Dec  7 11:00 /dev/ttyUSB1\n"
        "crw-rw---- 1 root plugdev 166, 0 Dec  7 11:00 /dev/ttyACM0\n";
    EXPECT_TRUE(checkAccessFromListing(table, count, listing, "anna adm dialout", "anna"));
    EXPECT_EQ(table[0].access, "dialout");
    EXPECT_EQ(table[1].accessible, 0); // group rw, not dialout: left as it was
    EXPECT_EQ(table[2].accessible, 1);
    EXPECT_EQ(table[3].accessible, 2);
    EXPECT_EQ(table[3].access, "anna");
    EXPECT_EQ(table[4].access, "kept");

    // Outside dialout the dialout ports are closed, and only ttyS1's own line says so.
    EXPECT_FALSE(checkAccessFromListing(table, count, listing, "anna adm", "anna"));
    EXPECT_EQ(table[0].access, "no");
    EXPECT_EQ(table[2].access, "no");
    const std::string openTen = "crw------- 1 root dialout 4, 65 Dec  7 /dev/ttyS1\n"
                                "crw-rw-rw- 1 root dialout 4, 74 Dec  7 /dev/ttyS10\n";
    checkAccessFromListing(table, 2, openTen, "anna", "anna");
    EXPECT_EQ(table[0].access, "no");
    EXPECT_EQ(table[1].access, "anna");
}

TEST(PortDiscovery, SysfsFallbackListsRealPortsAndReadsTheirFiles)
{
    namespace fs = std::filesystem;
    gchar* made = g_dir_make_tmp("quirlo-sysfs-XXXXXX", nullptr);
    ASSERT_NE(made, nullptr);
    const fs::path root(made);
    g_free(made);
    auto write = [](const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    };
    const fs::path devices = root / "sys/devices";
    const fs::path tty = root / "sys/class/tty";
    // A real built-in port, a placeholder the 8250 driver reserved, a virtual console, a USB
    // adapter behind its interface, a CDC device, and a name no command line may carry.
    write(devices / "pnp0/00:01/id", "PNP0501");
    fs::create_directories(devices / "drivers/serial");
    fs::create_directory_symlink(devices / "drivers/serial", devices / "pnp0/00:01/driver");
    write(tty / "ttyS0/type", "4\n");
    fs::create_directory_symlink(devices / "pnp0/00:01", tty / "ttyS0/device");
    write(tty / "ttyS1/type", "0\n");
    fs::create_directory_symlink(devices / "pnp0/00:01", tty / "ttyS1/device");
    fs::create_directories(tty / "tty1");
    const fs::path usbDevice = devices / "usb1/1-1/1-1.2";
    write(usbDevice / "idVendor", "067b");
    fs::create_directories(usbDevice / "1-1.2:1.0/ttyUSB0");
    fs::create_directories(devices / "drivers/pl2303");
    fs::create_directory_symlink(devices / "drivers/pl2303", usbDevice / "1-1.2:1.0/ttyUSB0/driver");
    fs::create_directories(tty / "ttyUSB0");
    fs::create_directory_symlink(usbDevice / "1-1.2:1.0/ttyUSB0", tty / "ttyUSB0/device");
    const fs::path acmDevice = devices / "usb1/1-1/1-1.4";
    write(acmDevice / "idVendor", "2341");
    write(acmDevice / "product", "Arduino Uno\n");
    fs::create_directories(acmDevice / "1-1.4:1.0");
    fs::create_directories(tty / "ttyACM0");
    fs::create_directory_symlink(acmDevice / "1-1.4:1.0", tty / "ttyACM0/device");
    fs::create_directories(tty / "ttyUSB9;id");
    fs::create_directory_symlink(usbDevice / "1-1.2:1.0/ttyUSB0", tty / "ttyUSB9;id/device");

    std::vector<DiscoveredPort> ports = portsFromSysfs((root / "sys").string());
    EXPECT_EQ(names(ports), (std::vector<std::string>{"ttyS0", "ttyACM0", "ttyUSB0"}));
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].tag, "serial");
    EXPECT_EQ(ports[1].tag, "usb 1-1.4: Arduino Uno");
    EXPECT_EQ(ports[2].tag, "usb 1-1.2: pl2303");
    EXPECT_TRUE(portsFromSysfs((root / "nothing").string()).empty());

    // The access check reads mode and group of each device file.
    const fs::path dev = root / "dev";
    fs::create_directories(dev);
    for (const char* name : {"ttyS0", "ttyACM0", "ttyUSB0"})
        std::ofstream(dev / name) << "";
    chmod((dev / "ttyS0").c_str(), 0606);
    chmod((dev / "ttyACM0").c_str(), 0600);
    chmod((dev / "ttyUSB0").c_str(), 0660);
    std::vector<PortEntry> table(3);
    int64_t count = fillPortTable(table, ports);
    bool ownGroupIsDialout = false;
    if (const group* own = getgrgid(getgid()))
        ownGroupIsDialout = std::string(own->gr_name) == "dialout";
    EXPECT_FALSE(checkAccessFromFiles(table, count, dev.string(), "anna", "anna"));
    EXPECT_EQ(table[0].access, "anna");
    EXPECT_EQ(table[1].access, "no");
    // The file's group is the test's own group, not dialout: the entry keeps its values.
    if (!ownGroupIsDialout) {
        EXPECT_EQ(table[2].access, "");
    }
    fs::remove_all(root);
}

TEST(PortDiscovery, NamedDevicesJoinBehindTheFoundPortsOnceEachWithTheirAccess)
{
    gchar* made = g_dir_make_tmp("quirlo-dev-XXXXXX", nullptr);
    ASSERT_NE(made, nullptr);
    std::string dev = made;
    g_free(made);
    std::filesystem::create_directories(dev + "/pts");
    std::ofstream(dev + "/pts/7") << "";
    std::ofstream(dev + "/ttyUSB3") << "";
    chmod((dev + "/ttyUSB3").c_str(), 0);

    std::vector<PortEntry> table(3);
    table[0].name = "ttyS0";
    table[0].tag = "at I/O";
    table[1].name = "old";
    table[1].settings.baud = 4800;
    int64_t count = 1;
    addManualPorts(table, count, {"ttyS0", "pts/7", "ttyUSB3", "pts/7", "ttyUSB9"}, dev, "anna");
    ASSERT_EQ(count, 4);
    EXPECT_EQ(table[0].tag, "at I/O");
    EXPECT_EQ(table[1].name, "pts/7");
    EXPECT_EQ(table[1].tag, "manuell");
    EXPECT_EQ(table[1].access, "anna");
    EXPECT_EQ(table[1].accessible, 2);
    // The settings stay with their position, as after any discovery.
    EXPECT_EQ(table[1].settings.baud, 4800);
    EXPECT_EQ(table[2].name, "ttyUSB3");
    // root may open any file: the mode alone decides only for other users.
    EXPECT_EQ(table[2].access, geteuid() == 0 ? "anna" : "no");
    EXPECT_EQ(table[3].name, "ttyUSB9");
    EXPECT_EQ(table[3].access, "no");
    EXPECT_EQ(table[3].accessible, 0);
    std::filesystem::remove_all(dev);
}

TEST(PortDiscovery, SettingsAndOpenStateGoWithTheDeviceNotThePosition)
{
    std::vector<PortEntry> table(3);
    table[0].name = "ttyUSB0";
    table[1].name = "ttyUSB1";
    table[1].configured = 1;
    table[1].isOpen = 1;
    table[1].settings.baud = 9600;
    table[1].errText = "-100";
    table[2].name = "ttyUSB2";
    table[2].isOpen = 1;
    const std::vector<PortEntry> before = table;
    // ttyS0 comes back in front; ttyUSB0 and ttyUSB2 are gone.
    int64_t count = fillPortTable(table, {{"ttyS0", "at I/O"}, {"ttyUSB1", "usb"}});
    EXPECT_EQ(carryPortState(before, table, count), (std::vector<int64_t>{-1, 1, -1}));
    EXPECT_EQ(table[0].configured, 0);
    EXPECT_EQ(table[0].settings.baud, 0);
    EXPECT_EQ(table[1].configured, 1);
    EXPECT_EQ(table[1].isOpen, 1);
    EXPECT_EQ(table[1].settings.baud, 9600);
    EXPECT_EQ(table[1].errText, "-100");
    // An entry beyond the ports keeps nothing of the device that stood there.
    EXPECT_EQ(table[2].isOpen, 0);
}

// Quirlo.ini's manual ports, as a hand may have edited them: names the settings page would
// refuse are left out, the list ends at an empty name, and past the limit the user is told.
TEST(PortDiscovery, ManualPortsOfQuirloIniAreTakenAsThePageWouldUpToTheLimit)
{
    std::string warning = "alt";
    EXPECT_EQ(acceptedAddedPorts({"tcp:127.0.0.1:5025", "tcp:nowhere", "", "tcp:127.0.0.1:1"}, "/home/x", warning),
              std::vector<std::string>{"tcp:127.0.0.1:5025"});
    EXPECT_EQ(warning, "");
    std::vector<std::string> many;
    for (int k = 1; k <= 20000; ++k)
        many.push_back("tcp:127.0.0.1:" + std::to_string(k));
    std::vector<std::string> taken = acceptedAddedPorts(many, "/home/x", warning);
    EXPECT_EQ(taken.size(), maxAddedPorts);
    EXPECT_EQ(taken.back(), "tcp:127.0.0.1:256");
    EXPECT_EQ(warning, "Quirlo.ini nennt 20000 manuelle Ports; übernommen werden nur die ersten 256.");
}
