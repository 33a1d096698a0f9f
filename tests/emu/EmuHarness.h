// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's device object talking to the emulator model without a
// terminal: every block TTonvera writes goes into the emulator at the
// virtual clock's time, and the replies come back on the scripted line.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "emu/Emulator.h"
#include "device/TTonvera.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera::test {

struct EmuHarness {
    explicit EmuHarness(const emu::EmulatorOptions& options = {}) : emulator(options), device(line, clock)
    {
        line.responder = [this](ScriptedLine& l, std::span<const std::uint8_t> bytes) {
            for (std::uint8_t b : emulator.receive(bytes, now()))
                l.queueReply(b);
        };
        clock.onPause = [this](long long) { emulator.tick(now()); };
    }

    emu::EmuTime now() const { return std::chrono::milliseconds(clock.now); }
    void wait(long long ms)
    {
        clock.now += ms;
        emulator.tick(now());
    }
    std::uint8_t status() { return emulator.device().status(now()); }
    const emu::DeviceRegisters& regs() const { return emulator.device().registers(); }

    ScriptedLine line;
    VirtualClock clock;
    emu::Emulator emulator;
    TTonvera device;
};

} // namespace tonvera::test
