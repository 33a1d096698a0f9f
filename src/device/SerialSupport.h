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
// a name beginning with "/" is a device path as it stands; a bare name such
// as "ttyUSB0" is looked up in /dev.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/ParmrkDecoder.h"
#include "device/SerialLine.h"

namespace tonvera {

class SerialSupport final : public SerialLine {
public:
    static constexpr int InvalidHandle = -1;
    static constexpr int DefaultBaud = 115200;

    SerialSupport() = default;
    ~SerialSupport() override;
    SerialSupport(const SerialSupport&) = delete;
    SerialSupport& operator=(const SerialSupport&) = delete;

    // The device path a port name stands for; empty when the name cannot
    // name a serial port.
    static std::string PortPath(std::string_view name);

    // Opens the port. PortOpen() is true afterwards even when the open failed;
    // the failure shows only as Handle() == InvalidHandle. Anything that is not
    // a terminal (regular file, directory, pipe, missing path) fails like a
    // missing port, without a byte written to it.
    void SerialOpen(const std::string& name);
    // Line speed (only standard rates are taken), 8 data bits, no parity,
    // 1 stop bit. No effect on an invalid handle.
    void SerialSetBaud(int baud);
    // Writes one byte if the port is open; failures are ignored.
    void SerialWriteByte(std::uint8_t b);
    // Reads at most one byte without waiting. True when a byte arrived; a
    // byte damaged on the line arrives as 0.
    bool SerialReadByte(std::uint8_t& out);
    void SerialClose();

    bool PortOpen() const { return Opened; }
    int Handle() const { return Fd; }

    // SerialLine
    bool open(const std::string& name) override;
    std::string deniedText(const std::string& name) const override;
    void close() override { SerialClose(); }
    bool isOpen() const override { return Opened && Fd != InvalidHandle; }
    void writeBlock(std::span<const std::uint8_t> bytes) override;
    LineRead readByte() override;

private:
    bool FillInput();

    int Fd = InvalidHandle;
    bool Opened = false;
    ParmrkDecoder Decoder;
};

} // namespace tonvera
