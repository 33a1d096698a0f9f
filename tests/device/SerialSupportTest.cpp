// SPDX-License-Identifier: GPL-3.0-or-later
// The termios line against a real pseudo-terminal pair: the test holds the
// master side, SerialSupport opens the slave like a serial port.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "device/ParmrkDecoder.h"
#include "device/PortErrors.h"
#include "device/SerialSupport.h"

namespace tonvera {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Arrival waits are bounded so a broken line fails the test instead of
// hanging it; they are not timing checks.
constexpr int ArrivalMs = 5000;

class Pty {
public:
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        if (const char* name = ::ptsname(master))
            slavePath = name;
        // The master side raw too, so the test sees the bytes as sent.
        termios t{};
        ::tcgetattr(master, &t);
        cfmakeraw(&t);
        ::tcsetattr(master, TCSANOW, &t);
    }
    ~Pty() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    void send(const Bytes& b) const { ASSERT_EQ(::write(master, b.data(), b.size()), ssize_t(b.size())); }

    Bytes receive(std::size_t n) const
    {
        Bytes got;
        while (got.size() < n) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, ArrivalMs) <= 0)
                break;
            std::uint8_t buf[4096];
            const ssize_t r = ::read(master, buf, std::min(sizeof buf, n - got.size()));
            if (r <= 0)
                break;
            got.insert(got.end(), buf, buf + r);
        }
        return got;
    }

    int master = -1;
    std::string slavePath;
};

// Reads n bytes through the port, waiting on its descriptor between reads.
std::vector<LineRead> ReadThrough(SerialSupport& port, std::size_t n)
{
    std::vector<LineRead> got;
    while (got.size() < n) {
        const LineRead r = port.readByte();
        if (r.arrived()) {
            got.push_back(r);
            continue;
        }
        pollfd p{port.Handle(), POLLIN, 0};
        if (::poll(&p, 1, ArrivalMs) <= 0)
            break;
    }
    return got;
}

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/tonvera-serial-XXXXXX";
        if (::mkdtemp(tmpl))
            path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

// The tests' own lock folder: they neither need nor litter /var/lock.
const std::string& Locks()
{
    static const TempDir folder;
    return folder.path;
}

TEST(SerialPortNames, ComPortsMapToTtyS)
{
    EXPECT_EQ(SerialSupport::PortPath("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(SerialSupport::PortPath("COM2:"), "/dev/ttyS1");
    EXPECT_EQ(SerialSupport::PortPath("COM3:"), "/dev/ttyS2");
    EXPECT_EQ(SerialSupport::PortPath("COM4:"), "/dev/ttyS3");
    // Typed by hand in the port box.
    EXPECT_EQ(SerialSupport::PortPath("COM7:"), "/dev/ttyS6");
    EXPECT_EQ(SerialSupport::PortPath("com2"), "/dev/ttyS1");
}

TEST(SerialPortNames, PathsAndBareNames)
{
    EXPECT_EQ(SerialSupport::PortPath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(SerialSupport::PortPath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialSupport::PortPath(""), "");
    // A relative path stands from the working folder, as in a shell.
    EXPECT_EQ(SerialSupport::PortPath("../etc/passwd"), "../etc/passwd");
    EXPECT_EQ(SerialSupport::PortPath(".."), "..");
}

TEST(SerialSupportPty, BytesPassBothWaysUnchanged)
{
    Pty pty;
    ASSERT_FALSE(pty.slavePath.empty());
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.PortOpen());
    EXPECT_GE(port.Handle(), 0);

    // XON, XOFF, CR, LF, the mark byte 0xFF and friends are data like any other.
    const Bytes special{0x11, 0x13, 0x0D, 0x0A, 0xFF, 0x00, 0x03, 0x7F, 0xFF, 0xFF, 0x1A, 0x20};
    port.writeBlock(special);
    EXPECT_EQ(pty.receive(special.size()), special);

    pty.send(special);
    const std::vector<LineRead> got = ReadThrough(port, special.size());
    ASSERT_EQ(got.size(), special.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(got[i].readable()) << i;
        EXPECT_EQ(got[i].value, special[i]) << i;
    }
    EXPECT_FALSE(port.readByte().arrived()) << "nothing more came";
}

TEST(SerialSupportPty, LineIsRaw115200Eight)
{
    Pty pty;
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    termios t{};
    ASSERT_EQ(::tcgetattr(port.Handle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(cfgetispeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(SerialSupportPty, TerminalSettingsComeBackAtClose)
{
    // Another program's terminal: cooked, echoing, 9600 baud.
    Pty pty;
    const int other = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    termios mine{};
    ASSERT_EQ(::tcgetattr(other, &mine), 0);
    mine.c_lflag |= ICANON | ECHO | ISIG;
    mine.c_iflag |= IXON | ICRNL;
    cfsetispeed(&mine, B9600);
    cfsetospeed(&mine, B9600);
    ASSERT_EQ(::tcsetattr(other, TCSANOW, &mine), 0);
    ASSERT_EQ(::tcgetattr(other, &mine), 0);

    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    port.writeBlock(Bytes{1, 2, 3});
    port.SerialClose();
    termios after{};
    ASSERT_EQ(::tcgetattr(other, &after), 0);
    EXPECT_EQ(after.c_lflag, mine.c_lflag);
    EXPECT_EQ(after.c_iflag, mine.c_iflag);
    EXPECT_EQ(after.c_oflag, mine.c_oflag);
    EXPECT_EQ(after.c_cflag, mine.c_cflag);
    EXPECT_EQ(cfgetospeed(&after), B9600);
    ::close(other);
}

TEST(SerialSupportPty, LargeBlockIsWrittenWhole)
{
    // Larger than the pty's buffer: the write must wait for the reader and
    // go on after short writes instead of dropping the rest.
    Pty pty;
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    Bytes block(64 * 1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7);
    Bytes received;
    std::thread reader([&] { received = pty.receive(block.size()); });
    port.writeBlock(block);
    reader.join();
    EXPECT_EQ(received, block);
}

TEST(SerialSupportPty, SecondOpenOfTheSamePortIsRefused)
{
    Pty pty;
    SerialSupport first(Locks());
    SerialSupport second(Locks());
    ASSERT_TRUE(first.open(pty.slavePath));
    EXPECT_FALSE(second.open(pty.slavePath));
    EXPECT_TRUE(second.PortOpen());
    EXPECT_EQ(second.Handle(), SerialSupport::InvalidHandle);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(second.openFailure(), "belegt");
    EXPECT_EQ(first.openFailure(), "");

    // Free again once the first one lets go.
    first.close();
    EXPECT_TRUE(second.open(pty.slavePath));
    EXPECT_EQ(second.openFailure(), "");
}

// A process beside the test: `sleep` with `input` as its standard input,
// as `cat` would hold a port; or, without exec, a stand-in for the other
// end of a pseudo-terminal, which holds its slave as well as the master.
class Child {
public:
    explicit Child(const std::string& input, bool exec = true) : Exec(exec)
    {
        Pid = ::fork();
        if (Pid != 0)
            return;
        const int fd = ::open(input.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0)
            ::_exit(1);
        if (exec)
            ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
        for (;;)
            ::pause();
    }
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void stop()
    {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        Pid = -1;
    }
    // Waits (bounded) until it has `input` open, as `sleep` when it execs.
    [[nodiscard]] bool ready(const std::string& input) const
    {
        const std::string proc = "/proc/" + std::to_string(Pid);
        for (int i = 0; i < ArrivalMs / 5; ++i) {
            char link[4096] = {};
            std::ifstream comm(proc + "/comm");
            std::string name;
            std::getline(comm, name);
            if (::readlink((proc + "/fd/0").c_str(), link, sizeof link - 1) > 0 && link == input &&
                (!Exec || name == "sleep"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    pid_t Pid = -1;

private:
    bool Exec;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string LockLine(pid_t pid)
{
    char line[16];
    std::snprintf(line, sizeof line, "%10d\n", static_cast<int>(pid));
    return line;
}

TEST(SerialPortLocks, WrittenWhileOpenHonouredWhileItsProcessLivesRemovedWhenStale)
{
    Pty pty;
    TempDir locks;
    const std::string lock = locks.path + "/LCK.." + pty.slavePath.substr(pty.slavePath.rfind('/') + 1);
    SerialSupport port(locks.path);
    ASSERT_TRUE(port.open(pty.slavePath));
    EXPECT_EQ(ReadFile(lock), LockLine(::getpid()));
    port.close();
    EXPECT_FALSE(std::filesystem::exists(lock));

    // Another program's lock, naming a process that lives: the port is not
    // opened, and the lock stays as it was.
    Child other("/dev/null");
    ASSERT_TRUE(other.ready("/dev/null"));
    std::ofstream(lock, std::ios::binary) << LockLine(other.Pid);
    EXPECT_FALSE(port.open(pty.slavePath));
    EXPECT_EQ(port.openFailure(), "belegt von sleep (PID " + std::to_string(other.Pid) + ", Sperrdatei " + lock + ")");
    EXPECT_EQ(ReadFile(lock), LockLine(other.Pid));
    // Its process gone, the lock was left by a crash: it is taken over.
    other.stop();
    ASSERT_TRUE(port.open(pty.slavePath)) << port.openFailure();
    EXPECT_EQ(ReadFile(lock), LockLine(::getpid()));
    port.close();

    // A lock that names no process cannot be judged stale, so it is left.
    std::ofstream(lock, std::ios::binary) << "frei?\n";
    EXPECT_FALSE(port.open(pty.slavePath));
    EXPECT_EQ(port.openFailure(), "belegt (Sperrdatei " + lock + ")");
    std::filesystem::remove(lock);

    // A folder that takes no lock files leaves the port unlocked.
    SerialSupport unlocked(locks.path + "/missing");
    EXPECT_TRUE(unlocked.open(pty.slavePath));
}

TEST(SerialPortLocks, ProgramWithoutALockIsSeenButNotThePseudoTerminalsOwnEnd)
{
    Pty pty;
    TempDir locks;
    {
        Child owner(pty.slavePath, false);
        ASSERT_TRUE(owner.ready(pty.slavePath));
        SerialSupport port(locks.path);
        EXPECT_TRUE(port.open(pty.slavePath)) << port.openFailure();
    }
    Child cat(pty.slavePath);
    ASSERT_TRUE(cat.ready(pty.slavePath));
    SerialSupport port(locks.path);
    EXPECT_FALSE(port.open(pty.slavePath));
    EXPECT_EQ(port.openFailure(), "belegt von sleep (PID " + std::to_string(cat.Pid) + ")");
    EXPECT_TRUE(std::filesystem::is_empty(locks.path)) << "no lock left behind";
}

TEST(SerialSupportPty, OpeningAgainReplacesThePort)
{
    Pty pty;
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    // The earlier descriptor and its lock must not stand in the way.
    ASSERT_TRUE(port.open(pty.slavePath));
    pty.send({0x42});
    const std::vector<LineRead> got = ReadThrough(port, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].value, 0x42);
}

TEST(SerialSupportPty, EmptyAndClosedLinesReadNothing)
{
    Pty pty;
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    std::uint8_t b = 99;
    EXPECT_FALSE(port.SerialReadByte(b));

    pty.send({0x42});
    port.SerialClose();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(port.SerialReadByte(b));
    port.SerialWriteByte(0x20);
    port.SerialWriteByte(0x21);
    // Anything written after the close would come out before this byte.
    SerialSupport other(Locks());
    ASSERT_TRUE(other.open(pty.slavePath));
    other.SerialWriteByte(0x33);
    EXPECT_EQ(pty.receive(1), Bytes{0x33});
}

TEST(SerialSupportPty, HangUpDoesNotHangOrInventBytes)
{
    Pty pty;
    SerialSupport port(Locks());
    ASSERT_TRUE(port.open(pty.slavePath));
    pty.closeMaster();
    // The hang-up is the port lost, reported by every later read and write.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(port.readByte().arrived());
        EXPECT_EQ(port.takeFault(), LineFault::Lost);
    }
    port.writeBlock(Bytes(10000, 0x55)); // returns, bytes lost
    EXPECT_EQ(port.takeFault(), LineFault::Lost);
    EXPECT_EQ(port.takeFault(), LineFault::None);
    port.SerialClose();
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialSupport, BeforeAnyOpenNothingHappens)
{
    SerialSupport port(Locks());
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(port.isOpen());
    std::uint8_t b = 99;
    EXPECT_FALSE(port.SerialReadByte(b));
    EXPECT_EQ(b, 0);
    port.SerialWriteByte(0x20);
    port.SerialSetBaud(115200);
    port.SerialClose();
    EXPECT_FALSE(port.PortOpen());
}

TEST(SerialSupport, NonTerminalsAreNoSerialPortAndStayUntouched)
{
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string file = dir.path + "/notaport.tva";
    const std::string content = "Section Signal\r\nFreq=1000\r\nEnd\r\n";
    {
        std::ofstream out(file, std::ios::binary);
        out << content;
    }
    const std::string fifo = dir.path + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const std::vector<std::pair<std::string, std::string>> ports = {{file, "kein serieller Anschluss"},
                                                                    {dir.path, "kein serieller Anschluss"},
                                                                    {dir.path + "/missing", "nicht vorhanden"},
                                                                    {fifo, "kein serieller Anschluss"},
                                                                    {"COM", "nicht vorhanden"},
                                                                    {"nothing/x", "nicht vorhanden"},
                                                                    // From the working folder: what they are.
                                                                    {"./fifo", "kein serieller Anschluss"},
                                                                    {"notaport.tva", "kein serieller Anschluss"}};
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    for (const auto& [name, why] : ports) {
        SerialSupport port(Locks());
        port.SerialOpen(name);
        EXPECT_EQ(port.openFailure(), why) << name;
        EXPECT_TRUE(port.PortOpen()) << name;
        EXPECT_EQ(port.Handle(), SerialSupport::InvalidHandle) << name;
        EXPECT_FALSE(port.isOpen()) << name;
        port.SerialSetBaud(115200);
        port.SerialWriteByte(0x20);
        port.writeBlock(Bytes{32, 0, 0, 0, 0, 0});
        std::uint8_t b = 99;
        EXPECT_FALSE(port.SerialReadByte(b)) << name;
        port.SerialClose();
        EXPECT_FALSE(port.PortOpen());
    }
    std::filesystem::current_path(before);
    std::ifstream in(file, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(after, content);

    SerialSupport port(Locks());
    EXPECT_FALSE(port.open(file));

    // Without the right to open it (the tests may run as root, who has it).
    EXPECT_EQ(PortOpenReason(EACCES), "keine Berechtigung");
    EXPECT_EQ(PortOpenReason(EIO), "Systemfehler EIO");
    EXPECT_EQ(PortOpenMessage("/dev/ttyUSB7", "belegt"), "Anschluss /dev/ttyUSB7 kann nicht geöffnet werden: belegt");
}

// --- Line error marks ------------------------------------------------------

TEST(ParmrkDecoder, MarksBecomeUnreadableBytesAndDoubledFFOneFF)
{
    ParmrkDecoder d;
    d.feed(Bytes{0x41, 0xFF, 0xFF, 0xFF, 0x00, 0x17, 0x00, 0xFF, 0x00, 0x00});
    std::vector<LineRead> got;
    for (LineRead r = d.next(); r.arrived(); r = d.next())
        got.push_back(r);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].value, 0x41);
    EXPECT_TRUE(got[1].readable());
    EXPECT_EQ(got[1].value, 0xFF);
    EXPECT_EQ(got[2].kind, LineRead::Kind::Unreadable); // damaged byte
    EXPECT_TRUE(got[3].readable());
    EXPECT_EQ(got[3].value, 0x00);
    EXPECT_EQ(got[4].kind, LineRead::Kind::Unreadable); // break
    EXPECT_FALSE(d.pending());
}

TEST(ParmrkDecoder, MarkSplitAcrossReadsWaitsForItsRest)
{
    ParmrkDecoder d;
    d.feed(Bytes{0xFF});
    EXPECT_FALSE(d.next().arrived());
    d.feed(Bytes{0x00});
    EXPECT_FALSE(d.next().arrived());
    d.feed(Bytes{0x33, 0x44});
    EXPECT_EQ(d.next().kind, LineRead::Kind::Unreadable);
    EXPECT_EQ(d.next().value, 0x44);
    EXPECT_FALSE(d.next().arrived());
}

} // namespace
} // namespace tonvera
