// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/SerialSupport.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "device/PortDiscovery.h"
#include "device/PortErrors.h"

namespace tonvera {

namespace {

// A write that makes no progress for this long is given up: the line is
// stuck (flow control the device never releases, a vanished adapter), and the
// single user-interface thread must not hang on it for ever.
constexpr int WriteStallMs = 5000;
constexpr auto VanishCheckPeriod = std::chrono::milliseconds(500);
// Ten bits a byte: start, eight data bits, stop.
constexpr long long BitsPerByte = 10;

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return 0;
    }
}

bool IsCharDevice(const struct stat& st) { return S_ISCHR(st.st_mode); }

// Raw line: no echo, no line editing, no signals, no CR/LF translation and no
// XON/XOFF, since packets carry every byte value. Damaged bytes and breaks are
// marked in-band (PARMRK) so they can be told from data. Reads return at once.
void MakeRaw(termios& t)
{
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | IGNPAR | IGNBRK | BRKINT | ISTRIP);
    t.c_iflag |= INPCK | PARMRK;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

} // namespace

SerialSupport::~SerialSupport() { SerialClose(); }

std::string SerialSupport::PortPath(std::string_view name)
{
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return {};
    if (name.front() == '/')
        return std::string(name);

    // "COMn:" or "COMn", any letter case.
    if (name.size() > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M') {
        std::string_view rest = name.substr(3);
        if (!rest.empty() && rest.back() == ':')
            rest.remove_suffix(1);
        if (!rest.empty() && rest.size() <= 3 && rest.front() != '0') {
            int n = 0;
            bool digits = true;
            for (char c : rest) {
                if (c < '0' || c > '9') {
                    digits = false;
                    break;
                }
                n = n * 10 + (c - '0');
            }
            if (digits && n >= 1 && n <= 256)
                return "/dev/ttyS" + std::to_string(n - 1);
        }
    }

    // A relative path names a file from the working folder, as in a shell.
    if (name.find('/') != std::string_view::npos || name == "." || name == "..")
        return std::string(name);
    // A bare device name such as "ttyUSB0". A file of that name in the
    // working folder is what the operator meant when /dev has none: it is
    // then refused for what it is, not reported missing.
    std::string device = "/dev/" + std::string(name);
    struct stat st {};
    if (::lstat(device.c_str(), &st) != 0 && errno == ENOENT && ::lstat(std::string(name).c_str(), &st) == 0)
        return std::string(name);
    return device;
}

void SerialSupport::SerialOpen(const std::string& name)
{
    // Opening again replaces the port; the old one is closed so that neither
    // its descriptor nor its lock is left behind.
    if (Fd != InvalidHandle)
        SerialClose();
    Opened = true;
    Fd = InvalidHandle;
    Decoder.clear();
    Fault = LineFault::None;
    Lost = false;
    Stuck = false;
    StallSeen = false;
    HaveSaved = false;

    const std::string path = PortPath(name);
    OpenErrno = ENOENT;
    Holder.reset();
    if (path.empty())
        return;
    // Only character devices are opened at all: opening some other file could
    // already have effects, and nothing may ever be written into a file.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        OpenErrno = errno;
        return;
    }
    if (!IsCharDevice(st)) {
        OpenErrno = ENOTTY;
        return;
    }
    char real[PATH_MAX];
    const std::string devicePath = ::realpath(path.c_str(), real) ? std::string(real) : path;

    // Before the open: opening a port can already disturb whoever uses it
    // (the modem lines change).
    Holder = Lock.acquire(devicePath);
    if (!Holder)
        Holder = FindPortUser(devicePath, st.st_rdev);
    if (Holder) {
        Lock.release();
        OpenErrno = EBUSY;
        return;
    }
    const auto fail = [&](int error, int fd) {
        OpenErrno = error;
        if (fd >= 0)
            ::close(fd);
        Lock.release();
    };

    // Non-blocking, so neither the open nor a read waits for carrier.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(errno, -1);
        return;
    }
    termios t{};
    if (::fstat(fd, &st) != 0 || !IsCharDevice(st) || !::isatty(fd) || ::tcgetattr(fd, &t) != 0) {
        fail(ENOTTY, fd);
        return;
    }
    // Another open in this program holds the port (or a program that takes
    // the same advisory lock).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        fail(EBUSY, fd);
        return;
    }
    OpenErrno = 0;
    // Keeps out later opens by programs that do not take the lock.
    ::ioctl(fd, TIOCEXCL);
    Saved = t;
    HaveSaved = true;
    Device = st.st_rdev;
    DevicePath = devicePath;
    NextVanishCheck = Clock::now() + VanishCheckPeriod;
    Baud = DefaultBaud;
    WireFree = Clock::now();

    // Linux sizes the tty's receive and transmit buffers itself (4 KB and
    // more); there is no call to set them to 2048 bytes, and none is needed.
    MakeRaw(t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    ::tcsetattr(fd, TCSANOW, &t);
    Fd = fd;
}

std::string SerialSupport::openFailure() const
{
    if (OpenErrno == EBUSY && Holder)
        return PortBusyReason(*Holder);
    return OpenErrno ? PortOpenReason(OpenErrno) : std::string();
}

void SerialSupport::SerialSetBaud(int baud)
{
    if (Fd == InvalidHandle)
        return;
    termios t{};
    if (::tcgetattr(Fd, &t) != 0)
        return;
    if (const speed_t speed = SpeedOf(baud); speed != 0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        Baud = baud;
    }
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    // Transmission never waits for XOFF, and a line error does not stop the
    // port: it arrives as one unreadable byte and the line goes on.
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    ::tcsetattr(Fd, TCSANOW, &t);
}

void SerialSupport::SerialWriteByte(std::uint8_t b) { writeBlock(std::span<const std::uint8_t>(&b, 1)); }

bool SerialSupport::SerialReadByte(std::uint8_t& out)
{
    const LineRead r = readByte();
    out = r.value;
    return r.arrived();
}

void SerialSupport::SerialClose()
{
    if (Fd != InvalidHandle) {
        // The last packets leave at the speed they were written with before
        // the old settings come back; a stuck or lost line is not waited for.
        if (HaveSaved && !Lost) {
            if (!Stuck && !StallSeen && WaitOutputQueue())
                ::tcdrain(Fd);
            ::tcsetattr(Fd, TCSANOW, &Saved);
        }
        ::ioctl(Fd, TIOCNXCL);
        ::flock(Fd, LOCK_UN);
        ::close(Fd);
    }
    Lock.release();
    Fd = InvalidHandle;
    Opened = false;
    Decoder.clear();
    HaveSaved = false;
    Fault = LineFault::None;
    Lost = false;
    Stuck = false;
    StallSeen = false;
}

bool SerialSupport::open(const std::string& name)
{
    SerialOpen(name);
    SerialSetBaud(DefaultBaud);
    return Fd != InvalidHandle;
}

std::string SerialSupport::deniedText(const std::string& name) const
{
    return PortPermissionProblem(PortPath(name)).value_or(std::string());
}

void SerialSupport::writeBlock(std::span<const std::uint8_t> bytes)
{
    if (!isOpen())
        return;
    if (Lost) {
        Fault = LineFault::Lost;
        return;
    }
    // The wire takes the bytes one after the other from the moment they are
    // handed over, or after those still on their way.
    const auto wire =
        std::chrono::nanoseconds(static_cast<long long>(bytes.size()) * BitsPerByte * 1'000'000'000LL / Baud);
    WireFree = std::max(WireFree, Clock::now()) + std::chrono::duration_cast<Clock::duration>(wire);

    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    // No progress since then counts towards the stall.
    Clock::time_point lastMove = Clock::now();
    // A window that waits with us gets its events every slice, also while
    // the driver takes the block in small pieces.
    Clock::time_point lastHook = lastMove;
    auto keepAlive = [&] {
        if (waitHook() && Clock::now() - lastHook >= std::chrono::milliseconds(WaitSliceMs)) {
            waiting();
            lastHook = Clock::now();
        }
    };
    while (left > 0) {
        const ssize_t n = ::write(Fd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
            lastMove = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd pfd{Fd, POLLOUT, 0};
            const auto stalled = std::chrono::milliseconds(WriteStallMs) - (Clock::now() - lastMove);
            long long timeout =
                Stuck ? 0 : std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(stalled).count());
            if (waitHook())
                timeout = std::min<long long>(timeout, WaitSliceMs);
            int ready;
            do
                ready = ::poll(&pfd, 1, static_cast<int>(timeout));
            while (ready < 0 && errno == EINTR);
            if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                MarkLost();
                return;
            }
            if (ready > 0) {
                keepAlive();
                continue;
            }
            if (!Stuck && Clock::now() - lastMove < std::chrono::milliseconds(WriteStallMs)) {
                keepAlive();
                continue;
            }
            // No progress for the stall time: reported once. While the line
            // stays stuck (until a write goes through whole) later bytes are
            // just lost, without another wait.
            if (!Stuck)
                Fault = LineFault::Stalled;
            Stuck = true;
            StallSeen = true;
            return;
        }
        MarkLost(); // EIO and the like: the port is gone
        return;
    }
    // A few bytes that trickle into a stuck line do not make it move again;
    // a whole write does.
    Stuck = false;
}

void SerialSupport::MarkLost()
{
    Lost = true;
    Fault = LineFault::Lost;
    Decoder.clear();
}

bool SerialSupport::DeviceVanished()
{
    const Clock::time_point now = Clock::now();
    if (now < NextVanishCheck)
        return false;
    NextVanishCheck = now + VanishCheckPeriod;
    struct stat st {};
    return ::stat(DevicePath.c_str(), &st) != 0 || !IsCharDevice(st) || st.st_rdev != Device;
}

bool SerialSupport::WaitOutputQueue()
{
    int queued = 0;
    if (::ioctl(Fd, TIOCOUTQ, &queued) != 0)
        return true;
    Clock::time_point lastMove = Clock::now();
    while (queued > 0) {
        // About the time the queue needs, in slices that notice a stall.
        const long long ms = std::clamp<long long>(queued * BitsPerByte * 1000LL / Baud, 1, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        waiting();
        int now = 0;
        if (::ioctl(Fd, TIOCOUTQ, &now) != 0)
            return true;
        if (now < queued)
            lastMove = Clock::now();
        else if (Clock::now() - lastMove >= std::chrono::milliseconds(WriteStallMs))
            return false;
        queued = now;
    }
    return true;
}

void SerialSupport::waitSent()
{
    if (!isOpen() || Lost || Stuck)
        return;
    if (!WaitOutputQueue()) {
        Fault = LineFault::Stalled;
        Stuck = true;
        StallSeen = true;
        return;
    }
    // The queue is empty; the last bytes may still sit in the adapter.
    ::tcdrain(Fd);
    // A pseudo-terminal or a USB adapter takes the bytes long before they
    // are on the wire: at least their wire time must have passed.
    while (Clock::now() < WireFree) {
        std::this_thread::sleep_until(std::min(WireFree, Clock::now() + std::chrono::milliseconds(WaitSliceMs)));
        waiting();
    }
}

void SerialSupport::delivered() { WireFree = std::min(WireFree, Clock::now()); }

LineFault SerialSupport::takeFault()
{
    const LineFault f = Fault;
    Fault = LineFault::None;
    return f;
}

bool SerialSupport::FillInput()
{
    std::uint8_t buf[256];
    for (;;) {
        const ssize_t n = ::read(Fd, buf, sizeof buf);
        if (n > 0) {
            Decoder.feed(std::span<const std::uint8_t>(buf, static_cast<std::size_t>(n)));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            MarkLost();
            return false;
        }
        // Nothing waiting. A hung-up terminal reads like an empty one, so
        // ask the driver; and an unplugged adapter's device file goes away.
        pollfd pfd{Fd, POLLIN, 0};
        if ((::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) || DeviceVanished())
            MarkLost();
        return false;
    }
}

LineRead SerialSupport::readByte()
{
    if (!isOpen())
        return LineRead::none();
    if (Lost) {
        Fault = LineFault::Lost;
        return LineRead::none();
    }
    LineRead r = Decoder.next();
    if (r.arrived())
        return r;
    if (!FillInput())
        return LineRead::none();
    return Decoder.next();
}

} // namespace tonvera
