// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device in the same process, on a virtual clock: the bytes the core
// writes go straight into the emulator's packet framing and device model,
// its answers come back as the line's input, and every pause of the
// protocol moves the clock instead of sleeping. So a run of minutes plays
// in the time its packets take to decode, and the packets are exactly
// those the window would send to a real device.
//
// The line also keeps every run the device started, with the registers and
// tables frozen at its start and the virtual times it started and stopped,
// for rendering afterwards. A line that lives long and starts many runs (the
// preview) keeps none: each run holds on to the tables it played.

#include <cstdint>
#include <deque>

#include "emu/Emulator.h"
#include "emu/Recording.h"
#include "device/Pause.h"
#include "device/SerialLine.h"

namespace tonvera::preview {

class EmuLine : public SerialLine, public Pause {
public:
    // `faults` make it a faulty device, for tests of what the program
    // notices.
    explicit EmuLine(bool keepRuns = true, const emu::FaultModes& faults = {});

    bool open(const std::string&) override;
    void close() override { Opened = false; }
    [[nodiscard]] bool isOpen() const override { return Opened; }
    void writeBlock(std::span<const std::uint8_t> bytes) override;
    LineRead readByte() override;

    void pause(int milliseconds) override;

    [[nodiscard]] emu::EmuTime now() const { return Now; }
    [[nodiscard]] const emu::RunRecorder& recorder() const { return Recorder; }
    emu::Emulator& emulator() { return Emu; }

private:
    emu::Emulator Emu;
    emu::EmuTime Now{0};
    std::deque<std::uint8_t> Input;
    bool Opened = false;
    bool KeepRuns;
    emu::RunRecorder Recorder;
};

} // namespace tonvera::preview
