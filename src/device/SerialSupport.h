// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one serial port of the program, on a Linux tty with termios.
//
// The port is opened for this program alone (TIOCEXCL plus an advisory
// flock, since TIOCEXCL alone does not keep out a process with root rights),
// raw 8N1 without any flow control by XON/XOFF, reads that return at once and
// writes that block until the whole block is in the driver.
//
// Port names: "COM1:".."COM4:" (and further "COMn:") stand for /dev/ttyS0..;
// a name with a "/" in it is a path as it stands (from the working folder
// when it does not begin with "/"); a bare name such as "ttyUSB0" is looked
// up in /dev, and in the working folder when /dev has no such file.
//
// Other programs are kept out as serial terminal programs keep each other
// out: a UUCP lock file in the lock folder (/var/lock/LCK..ttyUSB0) is
// honoured and written, and a process seen holding the device without one
// makes the port "belegt" as well (see PortLock.h).
//
// The terminal's settings are saved at open and put back at close, so a port
// opened by mistake (another program's pty, a modem) is not left raw. A port
// that hangs up, fails with an I/O error or whose device file goes away is
// reported lost (takeFault); a write that makes no progress for 5 s is given
// up and reported stalled once, and while the line stays stuck later writes
// are dropped at once instead of waiting again.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <sys/types.h>
#include <termios.h>

#include "device/ParmrkDecoder.h"
#include "device/PortLock.h"
#include "device/SerialLine.h"

namespace tonvera {

class SerialSupport final : public SerialLine {
public:
    static constexpr int InvalidHandle = -1;
    static constexpr int DefaultBaud = 115200;

    // `lockFolder`: where the lock files of ports are; tests use a folder of
    // their own.
    explicit SerialSupport(std::string lockFolder = DefaultLockFolder) : Lock(std::move(lockFolder)) {}
    ~SerialSupport() override;
    SerialSupport(const SerialSupport&) = delete;
    SerialSupport& operator=(const SerialSupport&) = delete;

    // The device path a port name stands for; empty when the name cannot
    // name a serial port.
    static std::string PortPath(std::string_view name);

    // Opens the port. PortOpen() is true afterwards even when the open failed;
    // the failure shows only as Handle() == InvalidHandle. Anything that is not
    // a terminal (regular file, directory, pipe) is not even opened, and
    // nothing is written to it; neither is a port another program holds.
    void SerialOpen(const std::string& name);
    // Line speed (only standard rates are taken), 8 data bits, no parity,
    // 1 stop bit. No effect on an invalid handle.
    void SerialSetBaud(int baud);
    // Writes one byte if the port is open; failures are ignored.
    void SerialWriteByte(std::uint8_t b);
    // Reads at most one byte without waiting. True when a byte arrived; a
    // byte damaged on the line arrives as 0.
    bool SerialReadByte(std::uint8_t& out);
    // Puts the terminal's settings back as they were at open, then closes.
    void SerialClose();

    [[nodiscard]] bool PortOpen() const { return Opened; }
    [[nodiscard]] int Handle() const { return Fd; }

    // SerialLine
    bool open(const std::string& name) override;
    [[nodiscard]] std::string deniedText(const std::string& name) const override;
    void close() override { SerialClose(); }
    [[nodiscard]] bool isOpen() const override { return Opened && Fd != InvalidHandle; }
    [[nodiscard]] std::string openFailure() const override;
    void writeBlock(std::span<const std::uint8_t> bytes) override;
    LineRead readByte() override;
    LineFault takeFault() override;
    void waitSent() override;
    void delivered() override;

private:
    using Clock = std::chrono::steady_clock;

    bool FillInput();
    void MarkLost();
    // True when the device file the port was opened from is gone or now
    // names another device; looked at no more than twice a second.
    bool DeviceVanished();
    // Waits until the driver's output queue is empty; false when it stopped
    // moving for the stall time.
    bool WaitOutputQueue();

    int Fd = InvalidHandle;
    bool Opened = false;
    // Why the last open failed, as an error number (ENOTTY for anything
    // that is not a terminal, EBUSY for a port another program holds); 0
    // after an open that succeeded.
    int OpenErrno = 0;
    // Who holds the port, when the last open found it held.
    std::optional<PortHolder> Holder;
    PortLock Lock;
    ParmrkDecoder Decoder;

    termios Saved{};
    bool HaveSaved = false;
    std::string DevicePath;
    dev_t Device = 0;
    Clock::time_point NextVanishCheck{};

    int Baud = DefaultBaud;
    // When the last byte written will have left the wire at the line's speed.
    Clock::time_point WireFree{};

    LineFault Fault = LineFault::None;
    bool Lost = false;
    bool Stuck = false;
    // A stall was seen since the port opened: a few bytes that slipped into
    // the line since then do not make it worth waiting for at close.
    bool StallSeen = false;
};

} // namespace tonvera
