// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/Emulator.h"

#include <algorithm>
#include <cmath>

namespace tonvera::emu {

Emulator::Emulator(const EmulatorOptions& options) : Options(options), Random(options.seed)
{
    Device.setInput(options.input);
    if (options.bootLoader)
        Boot.emplace(options.bootGap);
}

void Emulator::answer(std::uint8_t status, std::vector<std::uint8_t>& out)
{
    if (Options.faults.silent || Options.faults.garbage)
        return;
    out.push_back(status);
}

void Emulator::firmwareDone()
{
    if (onFirmware)
        onFirmware(Boot->firmware());
}

void Emulator::packetByte(std::uint8_t b, EmuTime now, std::vector<std::uint8_t>& out)
{
    Pending[Fill++] = b;
    const bool complete = Fill == Pending.size();
    std::uint8_t status = 0;
    if (complete) {
        Fill = 0;
        if (onPacket)
            onPacket(Pending);
        status = Device.onPacket(Pending, now);
    }
    if (Options.faults.answerEveryByte)
        answer(complete ? status : Device.status(now), out);
    else if (complete)
        answer(status, out);
}

std::vector<std::uint8_t> Emulator::receive(std::span<const std::uint8_t> bytes, EmuTime now)
{
    std::vector<std::uint8_t> out;
    for (const std::uint8_t b : bytes) {
        ++Received;
        if (Options.faults.drop > 0 && Received % Options.faults.drop == 0) {
            ++Dropped;
            continue;
        }
        if (Options.faults.garbage && !Options.faults.silent && (Random() & 1))
            out.push_back(static_cast<std::uint8_t>(Random()));
        if (inBootLoader()) {
            // The gap may have passed while nothing was polling.
            if (Boot->poll(now))
                firmwareDone();
        }
        if (inBootLoader()) {
            BootLoader::Outcome o = Boot->receive(b, now);
            if (!Options.faults.silent && !Options.faults.garbage)
                out.insert(out.end(), o.reply.begin(), o.reply.end());
            if (!o.passOn)
                continue;
            firmwareDone();
        }
        packetByte(b, now, out);
    }
    return out;
}

void Emulator::tick(EmuTime now)
{
    if (inBootLoader() && Boot->poll(now))
        firmwareDone();
    Device.advance(now);
}

std::optional<EmuTime> Emulator::nextDeadline() const
{
    if (inBootLoader() && Boot->gapPending())
        return Boot->gapDeadline();
    return std::nullopt;
}

std::size_t WirePace::allowance(EmuTime now) const
{
    // The small allowance keeps rounding from withholding a byte whose wire
    // time has just passed.
    const double n = std::floor((double(now.count()) - FreeAt) / NanosPerByte + 1e-6);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void WirePace::idle(EmuTime now) { FreeAt = std::max(FreeAt, double(now.count()) - NanosPerByte); }

} // namespace tonvera::emu
