// SPDX-License-Identifier: GPL-3.0-or-later
// The port list read from a folder laid out like /sys and /dev, and the
// text for a port the user may not open.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "device/PortDiscovery.h"

namespace tonvera {
namespace {

namespace fs = std::filesystem;

// A device tree as the kernel and udev lay it out, in a temporary folder.
struct FakeSystem {
    fs::path root;
    fs::path usbBus;

    FakeSystem()
    {
        root = fs::temp_directory_path() / ("tonvera-ports-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        usbBus = root / "sys/devices/pci0000:00/0000:00:14.0/usb1";
        fs::create_directories(root / "sys/class/tty");
        fs::create_directories(root / "dev/serial/by-id");
    }
    ~FakeSystem() { fs::remove_all(root); }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << '\n'; }

    // /sys/class/tty/<name>, with its device link when deviceDir is given.
    void tty(const std::string& name, const fs::path& deviceDir = {}) const
    {
        const fs::path dir = root / "sys/class/tty" / name;
        fs::create_directories(dir);
        if (!deviceDir.empty()) {
            fs::create_directories(deviceDir);
            fs::create_symlink(deviceDir, dir / "device");
        }
    }

    // A USB device at the given bus port; returns its folder.
    fs::path usbDevice(const std::string& busPort, const std::string& vid, const std::string& pid,
                       const std::string& maker, const std::string& product, const std::string& serial) const
    {
        const fs::path d = usbBus / busPort;
        fs::create_directories(d);
        write(d / "idVendor", vid);
        write(d / "idProduct", pid);
        if (!maker.empty())
            write(d / "manufacturer", maker);
        write(d / "product", product);
        if (!serial.empty())
            write(d / "serial", serial);
        return d;
    }

    // A built-in UART, below the device it hangs from.
    void uart(const std::string& name, const fs::path& deviceDir) const { tty(name, root / "sys/devices" / deviceDir); }

    void byId(const std::string& link, const fs::path& target) const
    {
        fs::create_symlink(target, root / "dev/serial/by-id" / link);
    }
};

TEST(PortDiscovery, ListsEveryPortWithWhatItIsAndPrefersTheStableLink)
{
    FakeSystem sys;
    // Two adapters of the same model, told apart only by serial number; the
    // one on bus port 1-2 is ttyUSB10, so numbers sort as numbers.
    const fs::path a = sys.usbDevice("1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3XQ");
    const fs::path b = sys.usbDevice("1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3ZZ");
    sys.tty("ttyUSB0", a / "1-1:1.0/ttyUSB0");
    sys.tty("ttyUSB10", b / "1-2:1.0/ttyUSB10");
    sys.byId("usb-FTDI_FT232R_USB_UART_A10K3XQ-if00-port0", "../../ttyUSB0");
    sys.byId("usb-FTDI_FT232R_USB_UART_A10K3ZZ-if00-port0", "/dev/ttyUSB10"); // absolute, read inside the tree
    // A link to a device that is gone attaches to nothing.
    sys.byId("usb-Gone_Adapter_1-if00-port0", "../../ttyUSB7");
    // A CDC device: the port's device folder is the interface itself. Its
    // product already names the maker, and it has no serial number and no
    // by-id link.
    const fs::path c = sys.usbDevice("1-3", "2341", "0043", "Arduino", "Arduino Uno", "");
    sys.tty("ttyACM0", c / "1-3:1.0");
    // A real UART, and placeholders of the driver as older and newer
    // kernels lay them out; consoles and the pseudo-terminal master have no
    // device at all.
    sys.uart("ttyS0", "pnp0/00:04/00:04:0/00:04:0.0");
    sys.uart("ttyS1", "platform/serial8250");
    sys.uart("ttyS2", "platform/serial8250/serial8250:0/serial8250:0.2");
    sys.tty("tty0");
    sys.tty("ptmx");
    sys.tty("console");

    const auto ports = DiscoverSerialPorts(sys.root);
    ASSERT_EQ(ports.size(), 4u);

    EXPECT_EQ(ports[0].path, "/dev/ttyACM0");
    EXPECT_EQ(ports[0].device, "/dev/ttyACM0");
    EXPECT_EQ(ports[0].description, "Arduino Uno (USB 2341:0043)");

    EXPECT_EQ(ports[1].path, "/dev/ttyS0");
    EXPECT_EQ(ports[1].description, "Serielle Schnittstelle (COM1:)");
    EXPECT_TRUE(ports[1].vendorId.empty());

    EXPECT_EQ(ports[2].path, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XQ-if00-port0");
    EXPECT_EQ(ports[2].device, "/dev/ttyUSB0");
    EXPECT_EQ(ports[2].description, "FTDI FT232R USB UART, Seriennummer A10K3XQ (USB 0403:6001)");
    EXPECT_EQ(ports[2].serial, "A10K3XQ");

    EXPECT_EQ(ports[3].path, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3ZZ-if00-port0");
    EXPECT_EQ(ports[3].device, "/dev/ttyUSB10");
    EXPECT_EQ(ports[3].description, "FTDI FT232R USB UART, Seriennummer A10K3ZZ (USB 0403:6001)");
    EXPECT_EQ(ports[3].manufacturer, "FTDI");
    EXPECT_EQ(ports[3].product, "FT232R USB UART");
    EXPECT_EQ(ports[3].vendorId, "0403");
    EXPECT_EQ(ports[3].productId, "6001");

    // A machine without sysfs (a container, a folder that does not exist).
    EXPECT_TRUE(DiscoverSerialPorts(sys.root / "nirgends").empty());
}

TEST(PortDiscovery, TheEmulatorComesLastAndTheListPrintsAsLinesOrJson)
{
    FakeSystem sys;
    const fs::path a = sys.usbDevice("1-1", "0403", "6001", "", "Adapter \"Nr. 1\"\\", "");
    sys.tty("ttyUSB0", a / "1-1:1.0/ttyUSB0");
    FakeSystem::write(sys.root / "emu", "");
    const auto ports = AvailablePorts(sys.root, sys.root / "emu");
    ASSERT_EQ(ports.size(), 2u);
    const std::string emu = (sys.root / "emu").string();
    EXPECT_EQ(ports[1].path, emu);
    EXPECT_EQ(AvailablePorts(sys.root, sys.root / "keiner").size(), 1u);

    const std::string pad(emu.size() - 12 + 2, ' ');
    EXPECT_EQ(PortListText(ports),
              "/dev/ttyUSB0" + pad + "Adapter \"Nr. 1\"\\ (USB 0403:6001)\n" + emu + "  Geräteemulator tonvera-emu\n");
    EXPECT_EQ(PortListJson(ports),
              "[\n"
              "  {\"path\": \"/dev/ttyUSB0\", \"device\": \"/dev/ttyUSB0\", "
              "\"description\": \"Adapter \\\"Nr. 1\\\"\\\\ (USB 0403:6001)\", \"vendorId\": \"0403\", "
              "\"productId\": \"6001\", \"manufacturer\": \"\", \"product\": \"Adapter \\\"Nr. 1\\\"\\\\\", "
              "\"serial\": \"\"},\n"
              "  {\"path\": \"" +
                  emu + "\", \"device\": \"" + emu +
                  "\", \"description\": \"Geräteemulator tonvera-emu\", \"vendorId\": \"\", \"productId\": \"\", "
                  "\"manufacturer\": \"\", \"product\": \"\", \"serial\": \"\"}\n"
                  "]\n");
    EXPECT_EQ(PortListJson({}), "[]\n");
}

TEST(PortPermission, NamesTheGroupThatOwnsTheDeviceFile)
{
    PortAccessFacts f;
    f.fileUid = 0;
    f.fileGid = 20;
    f.mode = S_IFCHR | 0660;
    f.userUid = 1000;
    f.userGroups = {1000, 24};
    f.groupName = "dialout";
    EXPECT_EQ(PortPermissionProblem("/dev/ttyUSB0", f),
              "Keine Berechtigung für /dev/ttyUSB0: der Benutzer muss der Gruppe dialout angehören "
              "(sudo adduser $USER dialout, danach neu anmelden)");

    // Without a name for the group its number stands in.
    f.groupName.clear();
    EXPECT_NE(PortPermissionProblem("/dev/ttyUSB0", f)->find("der Gruppe 20 angehören"), std::string::npos);
    f.groupName = "dialout";

    // A member of the group, the owner, and root may open it.
    f.userGroups.push_back(20);
    EXPECT_EQ(PortPermissionProblem("/dev/ttyUSB0", f), std::nullopt);
    f.userGroups = {1000};
    f.fileUid = 1000;
    f.mode = S_IFCHR | 0600;
    EXPECT_EQ(PortPermissionProblem("/dev/ttyUSB0", f), std::nullopt);
    f.userUid = 0;
    f.mode = S_IFCHR | 0000;
    EXPECT_EQ(PortPermissionProblem("/dev/ttyUSB0", f), std::nullopt);

    // Read alone is not enough; and when the group may not write either,
    // joining it would not help, so it is not suggested.
    f.userUid = 1000;
    f.fileUid = 0;
    f.userGroups = {1000, 20};
    f.mode = S_IFCHR | 0640;
    EXPECT_EQ(PortPermissionProblem("/dev/ttyUSB0", f),
              "Keine Berechtigung für /dev/ttyUSB0: die Gerätedatei (Gruppe dialout) ist für diesen Benutzer "
              "nicht zum Lesen und Schreiben freigegeben");
}

// The same check on a real file, from a child that has given up root.
TEST(PortPermission, AnUnprivilegedUserIsToldTheGroupOfTheRealFile)
{
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || !dialout)
        GTEST_SKIP() << "needs root and a dialout group to set the file up";
    const gid_t dialoutGid = dialout->gr_gid;
    FakeSystem sys;
    fs::permissions(sys.root, fs::perms::owner_all | fs::perms::others_exec);
    const fs::path port = sys.root / "ttyUSB0";
    FakeSystem::write(port, "");
    ASSERT_EQ(::chown(port.c_str(), 0, dialoutGid), 0);
    ASSERT_EQ(::chmod(port.c_str(), 0660), 0);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        const gid_t nogroup = 65534;
        if (::setgroups(1, &nogroup) != 0 || ::setgid(nogroup) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const std::string text = PortPermissionProblem(port.string()).value_or("(keine)");
        const bool written = ::write(fds[1], text.data(), text.size()) == ssize_t(text.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(fds[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(got,
              "Keine Berechtigung für " + port.string() +
                  ": der Benutzer muss der Gruppe dialout angehören (sudo adduser $USER dialout, danach neu anmelden)");
    // Root itself, and a file that is not there, have no such problem.
    EXPECT_EQ(PortPermissionProblem(port.string()), std::nullopt);
    EXPECT_EQ(PortPermissionProblem((sys.root / "fehlt").string()), std::nullopt);
}

} // namespace
} // namespace tonvera
