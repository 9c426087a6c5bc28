// The names a user gives ports: devices under /dev, paths, and network addresses.
#include <gtest/gtest.h>

#include "serial/lan_search.h"
#include "serial/port_address.h"

namespace {

PortAddress parsed(const std::string& text)
{
    PortAddress address;
    EXPECT_EQ(parsePortAddress(text, "/home/anna", address), "") << text;
    return address;
}

std::string refusal(const std::string& text)
{
    PortAddress address;
    return parsePortAddress(text, "/home/anna", address);
}

} // namespace

TEST(PortAddress, DevicesPathsAndNetworkAddresses)
{
    EXPECT_EQ(parsed("ttyUSB0").name, "ttyUSB0");
    EXPECT_EQ(parsed("/dev/pts/5").name, "pts/5");
    EXPECT_EQ(parsed(" /dev/ttyACM0 ").kind, PortAddress::Kind::Device);
    // Names under /dev that are no plain device names, and any other path, stay paths.
    PortAddress byPath = parsed("/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    EXPECT_EQ(byPath.kind, PortAddress::Kind::Path);
    EXPECT_EQ(byPath.name, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    EXPECT_EQ(parsed("~/geraete/bc").name, "/home/anna/geraete/bc");
    PortAddress lan = parsed("TCP:scope-3.lab:5025");
    EXPECT_EQ(lan.kind, PortAddress::Kind::Network);
    EXPECT_EQ(lan.host, "scope-3.lab");
    EXPECT_EQ(lan.port, 5025);
    EXPECT_EQ(lan.name, "tcp:scope-3.lab:5025");
    PortAddress v6 = parsed("tcp:[::1]:2000");
    EXPECT_EQ(v6.host, "::1");
    EXPECT_EQ(v6.name, "tcp:[::1]:2000");
    PortAddress vxi = parsed("VXI11:scope-3.lab");
    EXPECT_EQ(vxi.kind, PortAddress::Kind::Vxi11);
    EXPECT_EQ(vxi.name, "vxi11:scope-3.lab");
    EXPECT_EQ(vxi.instrument, "inst0");
    EXPECT_FALSE(vxi.lineSettings());
    EXPECT_EQ(parsed("vxi11:10.0.0.7/gpib0,5").instrument, "gpib0,5");
    EXPECT_EQ(parsed("vxi11:[fe80::1]/inst1").name, "vxi11:[fe80::1]/inst1");
    EXPECT_NE(refusal("vxi11:"), "");
    EXPECT_NE(refusal("vxi11:host/"), "");
    EXPECT_NE(refusal("vxi11:host/inst 1"), "");
    EXPECT_NE(refusal("vxi11:-rf"), "");
    // A name of the port table reads back as the address it came from.
    EXPECT_EQ(portAddressOf("tcp:[::1]:2000").port, 2000);
    EXPECT_EQ(portAddressOf("/home/anna/geraete/bc").kind, PortAddress::Kind::Path);
    EXPECT_EQ(portAddressOf("ttyS0").kind, PortAddress::Kind::Device);
}

TEST(PortAddress, BadNamesAreRefusedWithTheirReason)
{
    EXPECT_EQ(refusal("tcp:"), "Im Netzwerknamen fehlt die Portnummer: tcp:RECHNER:PORT");
    EXPECT_EQ(refusal("tcp:host"), "Im Netzwerknamen fehlt die Portnummer: tcp:RECHNER:PORT");
    EXPECT_EQ(refusal("tcp::5025"), "Im Netzwerknamen fehlt der Rechner: tcp:RECHNER:PORT");
    EXPECT_EQ(refusal("tcp:host:0"), "Ungültige Portnummer (1 bis 65535): 0");
    EXPECT_EQ(refusal("tcp:host:99999"), "Ungültige Portnummer (1 bis 65535): 99999");
    EXPECT_EQ(refusal("tcp:host:-1"), "Ungültige Portnummer (1 bis 65535): -1");
    EXPECT_EQ(refusal("tcp:ho st:80"), "Ungültiger Rechnername: ho st");
    EXPECT_EQ(refusal("tcp:[::1;]:80"), "Ungültiger Rechnername: ::1;");
    EXPECT_EQ(refusal(std::string(1000, 'a')), "Der Name ist zu lang (höchstens 255 Zeichen)");
    // The home directory counts too.
    EXPECT_EQ(refusal("~/" + std::string(250, 'a')), "Der Name ist zu lang (höchstens 255 Zeichen)");
    EXPECT_EQ(refusal("/dev/tty\nUSB0"), "Steuerzeichen sind im Namen nicht erlaubt");
    EXPECT_EQ(refusal(""), "Kein Port angegeben");
    EXPECT_EQ(refusal("$(id)").rfind("Ungültiger Gerätename: $(id)", 0), 0u);
}

// What the search lists must be a name the port choice takes back as the same port.
TEST(PortAddress, AnnouncedInstrumentsBecomePortsTheUserCouldHaveTyped)
{
    EXPECT_EQ(parsed(announcedPort("192.168.1.20", "vxi-11", 111)).name, "vxi11:192.168.1.20");
    EXPECT_EQ(parsed(announcedPort("192.168.1.20", "lxi", 80)).name, "vxi11:192.168.1.20");
    PortAddress raw = parsed(announcedPort("192.168.1.20", "scpi-raw", 5025));
    EXPECT_EQ(raw.name, "tcp:192.168.1.20:5025");
    EXPECT_EQ(raw.port, 5025);
    PortAddress v6 = parsed(announcedPort("fd00::7", "scpi-raw", 5025));
    EXPECT_EQ(v6.host, "fd00::7");
    EXPECT_EQ(parsed(announcedPort("fd00::7", "vxi-11", 111)).host, "fd00::7");
    // What Quirlo cannot reach, or a port that cannot be, is not offered.
    EXPECT_EQ(announcedPort("192.168.1.20", "hislip", 4880), "");
    EXPECT_EQ(announcedPort("192.168.1.20", "scpi-telnet", 5024), "");
    EXPECT_EQ(announcedPort("192.168.1.20", "scpi-raw", 0), "");
    EXPECT_EQ(announcedPort("192.168.1.20", "scpi-raw", 70000), "");
    EXPECT_EQ(announcedPort("", "vxi-11", 111), "");
}
