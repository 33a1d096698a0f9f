// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial line as the device object sees it. The real line is
// SerialSupport (termios); unit tests use a scripted line, end-to-end tests
// the real line against the emulator on a pseudo-terminal.

#include <cstdint>
#include <span>
#include <string>

#include "device/WaitHook.h"

namespace tonvera {

// Outcome of one read that does not wait.
struct LineRead {
    enum class Kind : std::uint8_t {
        None,      // nothing in the receive buffer
        Byte,      // one byte arrived; it is in value
        Unreadable // a byte arrived damaged (framing, parity, break); value is 0
    };
    Kind kind = Kind::None;
    std::uint8_t value = 0;

    // Something came in, readable or not: the other side answered.
    [[nodiscard]] bool arrived() const { return kind != Kind::None; }
    [[nodiscard]] bool readable() const { return kind == Kind::Byte; }

    static LineRead none() { return {}; }
    static LineRead byte(std::uint8_t b) { return {Kind::Byte, b}; }
    static LineRead unreadable() { return {Kind::Unreadable, 0}; }
};

// Something the line ran into that the caller must act on.
enum class LineFault : std::uint8_t {
    None,
    Stalled, // a write made no progress for 5 s; the rest of it was dropped
    Lost,    // the port is gone: hang-up, I/O error, device file removed
};

// Its wait hook is called while a write or waitSent waits for the driver.
class SerialLine : public WaitHook {
public:
    virtual ~SerialLine() = default;

    // Opens the port by name ("COM1:".."COM4:" or a device path) for this
    // program alone and sets 115,200 baud 8N1 raw. Returns false when the
    // port could not be opened; the line then stays closed.
    virtual bool open(const std::string& name) = 0;
    // After a failed open: a German text when the user lacks the rights to
    // the port (naming the group to join), empty for any other cause.
    [[nodiscard]] virtual std::string deniedText(const std::string& /*name*/) const { return {}; }
    virtual void close() = 0;
    // True only while a port is really open (a failed open does not count).
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Why the last open failed, in the operator's words ("nicht vorhanden",
    // "keine Berechtigung", "belegt"); empty when it did not fail or the
    // line cannot say.
    [[nodiscard]] virtual std::string openFailure() const { return {}; }

    // Writes the whole block with one call and returns once every byte has
    // been handed to the driver, so a packet never interleaves with other
    // bytes. A closed line drops the bytes; failures are not reported.
    virtual void writeBlock(std::span<const std::uint8_t> bytes) = 0;

    // Reads at most one byte and never waits.
    virtual LineRead readByte() = 0;

    // The fault met since the last call, if any; the call clears it. A lost
    // port stays lost: every later write or read reports it again until the
    // line is closed.
    virtual LineFault takeFault() { return LineFault::None; }

    // Returns once everything written so far has left the line: the driver's
    // output is drained and the bytes' time on the wire at the line's speed
    // has passed. Lines without a wire return at once.
    virtual void waitSent() {}
    // The other side has answered everything written so far, so it is off
    // the wire whatever its time there would have been: a pseudo-terminal
    // takes bytes far faster than the line's speed.
    virtual void delivered() {}
};

} // namespace tonvera
