// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/EmuLine.h"

namespace tonvera::preview {

EmuLine::EmuLine(bool keepRuns, const emu::FaultModes& faults)
    : Emu(emu::EmulatorOptions{.faults = faults}), KeepRuns(keepRuns)
{
}

bool EmuLine::open(const std::string&)
{
    Opened = true;
    Input.clear();
    return true;
}

void EmuLine::writeBlock(std::span<const std::uint8_t> bytes)
{
    if (!Opened)
        return;
    // A write is handed over at one instant; the program writes each packet
    // by itself, so no block holds both the stop and the start of a run.
    const std::vector<std::uint8_t> replies = Emu.receive(bytes, Now);
    Input.insert(Input.end(), replies.begin(), replies.end());
    if (KeepRuns) {
        const emu::DeviceModel& d = Emu.device();
        Recorder.note(d.starts(), d.lastRun(), d.stopped(), Now);
    }
}

LineRead EmuLine::readByte()
{
    if (!Opened || Input.empty())
        return LineRead::none();
    const std::uint8_t b = Input.front();
    Input.pop_front();
    return LineRead::byte(b);
}

void EmuLine::pause(int milliseconds)
{
    if (milliseconds > 0)
        Now += std::chrono::milliseconds(milliseconds);
    Emu.tick(Now);
}

} // namespace tonvera::preview
