// The search for instruments on the LAN, in a network of the test's own: the test runs itself
// again inside a new network and mount namespace (unshare), where a veth pair gives two private
// addresses and rpcbind and the simulated instrument serve. Nothing it broadcasts leaves the
// namespace.
#include "gui/harness.h"

#include <gtk/gtk.h>
#include <sys/wait.h>

#include <algorithm>

#include "serial/port_table.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/list_access.h"

namespace {

const char* const insideMark = "QUIRLO_PRIVATE_NETWORK";

bool commandSucceeds(const std::string& command, std::string* output = nullptr)
{
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 1;
    bool ran = g_spawn_command_line_sync(command.c_str(), &out, &err, &status, nullptr);
    if (output)
        *output = std::string(out ? out : "") + (err ? err : "");
    g_free(out);
    g_free(err);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

std::string thisTest()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name();
}

// The rows of the list of finds, "port|id", in the order of the ports.
std::vector<std::string> finds()
{
    std::vector<std::string> rows;
    for (int row = 0; row < rowCount(WinLanSearch, IdLanList); ++row)
        rows.push_back(cellText(WinLanSearch, IdLanList, row, 0) + "|" + cellText(WinLanSearch, IdLanList, row, 1));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int rowOfPort(const std::string& port)
{
    for (int row = 0; row < rowCount(WinLanSearch, IdLanList); ++row) {
        if (cellText(WinLanSearch, IdLanList, row, 0) == port)
            return row;
    }
    return -1;
}

} // namespace

class NetworkSearch : public QuirloTest {
protected:
    // Runs this test again inside the namespaces and takes its outcome.
    void runInPrivateNetwork()
    {
        gchar* self = g_file_read_link("/proc/self/exe", nullptr);
        std::string output;
        bool passed = commandSucceeds(std::string("unshare --net --mount --propagation private env ") + insideMark +
                                          "=1 " + self + " --gtest_filter=" + thisTest(),
                                      &output);
        g_free(self);
        EXPECT_TRUE(passed) << output;
    }

    // The search takes a second for each interface and one for mDNS, longer on a busy machine.
    bool searchEnded()
    {
        return pumpUntil([] { return controlText(WinLanSearch, IdLanState).rfind("Suche beendet", 0) == 0; }, 30);
    }
};

TEST_F(NetworkSearch, FindsTheInstrumentWithItsIdentityAndAddsItWithADoubleClick)
{
    if (!g_getenv(insideMark)) {
        std::string why;
        if (!commandSucceeds("unshare --net --mount true", &why))
            GTEST_SKIP() << "Kein privater Netzwerk-Namensraum möglich (unshare --net --mount): " << why;
        runInPrivateNetwork();
        return;
    }
    // The instrument announces its raw socket and a HiSLIP port, which Quirlo cannot reach.
    Helper socket({QUIRLO_SIM_INSTRUMENT, "--tcp", "0"}, "");
    ASSERT_EQ(socket.line.rfind("tcp:127.0.0.1:", 0), 0u);
    std::string port = socket.line.substr(socket.line.rfind(':') + 1);
    g_mkdir_with_parents((machineDir + "/services").c_str(), 0755);
    writeMachineFile("services/instrument.service",
                     "<?xml version=\"1.0\" standalone='no'?>\n<service-group>\n<name>Quirlo SIM-PS1</name>\n"
                     "<service><type>_scpi-raw._tcp</type><port>" + port + "</port></service>\n"
                     "<service><type>_hislip._tcp</type><port>4880</port></service>\n</service-group>\n");
    ASSERT_TRUE(commandSucceeds("sh -c 'ip link set lo up && ip link set lo multicast on && "
                                "ip link add qs0 type veth peer name qs1 && "
                                "ip addr add 10.77.0.1/24 dev qs0 && ip addr add 10.77.0.2/24 dev qs1 && "
                                "ip link set qs0 up && ip link set qs1 up && mount -t tmpfs tmpfs /run && "
                                "mkdir /run/dbus && mount --bind " + machineDir + "/services /etc/avahi/services'"));
    Helper bus({"dbus-daemon", "--system", "--nofork", "--print-address"}, "");
    ASSERT_NE(bus.line, "");
    Helper announcer({"sh", "-c", "exec avahi-daemon --no-drop-root --no-chroot --no-rlimits 2>&1"},
                     "successfully established");
    ASSERT_NE(announcer.line, "");
    Helper rpcbind({"rpcbind", "-f", "-w"});
    // rpcbind tells nobody when it serves: the instrument can register once rpcinfo reaches it.
    for (int attempt = 0; attempt < 200 && !commandSucceeds("rpcinfo -p 127.0.0.1"); ++attempt)
        g_usleep(50000);
    Helper instrument({QUIRLO_SIM_INSTRUMENT, "--vxi11"}, "");
    ASSERT_EQ(instrument.line, "vxi11:127.0.0.1");

    send(EvControl, WinMain, IdMainSettingsButton);
    send(EvControl, WinSettings, IdSetLanSearch);
    ASSERT_TRUE(windowVisible(WinLanSearch));
    EXPECT_FALSE(controlEnabled(WinLanSearch, IdLanSearch));
    ASSERT_TRUE(searchEnded()) << controlText(WinLanSearch, IdLanState);
    // Each interface's broadcast finds the VXI-11 instrument at its address there; mDNS finds
    // the raw socket at each address, which answers *IDN? where it listens.
    const std::string id = "QUIRLO,SIM-PS1,0001,1.0";
    const std::string silent = "Quirlo SIM-PS1 (keine Antwort auf *IDN?)";
    EXPECT_EQ(finds(), (std::vector<std::string>{"tcp:10.77.0.1:" + port + "|" + silent,
                                                 "tcp:10.77.0.2:" + port + "|" + silent,
                                                 "tcp:127.0.0.1:" + port + "|" + id, "vxi11:10.77.0.1|" + id,
                                                 "vxi11:10.77.0.2|" + id, "vxi11:127.0.0.1|" + id}));
    EXPECT_EQ(controlText(WinLanSearch, IdLanState),
              "Suche beendet: 6 Geräte gefunden. Doppelklick fügt den Port hinzu.");
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(controlWidget(WinLanSearch, IdLanProgress))), 1.0);
    EXPECT_TRUE(controlEnabled(WinLanSearch, IdLanSearch));
    EXPECT_FALSE(controlEnabled(WinLanSearch, IdLanStop));

    GtkTreeView* list = GTK_TREE_VIEW(controlWidget(WinLanSearch, IdLanList));
    int row = rowOfPort("vxi11:10.77.0.2");
    ASSERT_GE(row, 0);
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(list, path, nullptr, FALSE);
    gtk_tree_view_row_activated(list, path, gtk_tree_view_get_column(list, 0));
    gtk_tree_path_free(path);
    pumpUntilIdle();
    int64_t added = chosenIndex(WinSettings, IdSetPortBox);
    ASSERT_GE(added, 0);
    EXPECT_EQ(PortTable[added].name, "vxi11:10.77.0.2");
    EXPECT_EQ(PortTable[added].tag, "manuell");
    EXPECT_EQ(controlText(WinLanSearch, IdLanState),
              "Port vxi11:10.77.0.2 hinzugefügt: Geräte-Einstellungen wählen und übernehmen.");
    send(EvControl, WinSettings, IdSetApplyPort);
    EXPECT_TRUE(pumpUntil([&] { return PortTable[added].isOpen != 0; })) << PortTable[added].name;

    // Stop ends a new search at once; what it had found stays listed.
    send(EvControl, WinLanSearch, IdLanSearch);
    EXPECT_TRUE(finds().empty());
    send(EvControl, WinLanSearch, IdLanStop);
    EXPECT_EQ(controlText(WinLanSearch, IdLanState).rfind("Suche angehalten: ", 0), 0u);
    EXPECT_TRUE(controlEnabled(WinLanSearch, IdLanSearch));
}
