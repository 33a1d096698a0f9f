// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/DeviceModel.h"

#include <algorithm>

namespace tonvera::emu {

DeviceModel::DeviceModel() : Tables(std::make_shared<TableMemory>()) { Tables->fill(0); }

TableMemory& DeviceModel::writableTables()
{
    if (Tables.use_count() > 1)
        Tables = std::make_shared<TableMemory>(*Tables);
    return *Tables;
}

std::uint8_t DeviceModel::onPacket(const Packet& p, EmuTime now)
{
    ++Packets;
    const Command c = DecodePacket(p);
    if (c.kind == CommandKind::Unknown)
        ++Unknown;
    if (c.stopForm)
        stop(now);
    if (c.kind == CommandKind::TableWord) {
        if (c.value < writableTables().size())
            writableTables()[c.value] = c.sample;
        else
            ++Unknown;
    } else {
        ApplyCommand(Regs, c);
    }
    if (!c.stopForm && Stopped)
        start(now);
    return status(now);
}

void DeviceModel::start(EmuTime now)
{
    Run = RunSnapshot{Regs, Tables};
    Scanner = std::make_unique<OverflowScanner>(*Run);
    RunStart = now;
    Stopped = false;
    ++Starts;
}

void DeviceModel::stop(EmuTime now)
{
    if (Stopped)
        return;
    StoppedAt = now;
    Stopped = true;
}

std::int64_t DeviceModel::runTicks(EmuTime now) const
{
    if (!Run)
        return 0;
    const EmuTime at = Stopped ? StoppedAt : now;
    return std::max<std::int64_t>(0, TicksOf(at - RunStart));
}

bool DeviceModel::runEnded(EmuTime now) const
{
    if (!Run)
        return false;
    const auto end = Run->endTick();
    return end && runTicks(now) >= *end;
}

bool DeviceModel::overflowSeen(EmuTime now)
{
    if (!Scanner)
        return false;
    const std::int64_t ticks = runTicks(now);
    // The status must not miss an overflow that has already happened, so
    // the scan is brought up to the present before answering.
    Scanner->advance(ticks + 1);
    const auto first = Scanner->firstOverflow();
    return first && *first <= ticks;
}

void DeviceModel::advance(EmuTime now)
{
    if (Scanner && !Scanner->done())
        Scanner->advance(runTicks(now) + 1);
}

bool DeviceModel::scanPending() const { return Scanner && !Scanner->done() && !Stopped; }

std::uint8_t DeviceModel::status(EmuTime now)
{
    std::uint8_t s = 0;
    if (runEnded(now))
        s |= StatusRunEnd;
    if (Input)
        s |= StatusInput;
    if (overflowSeen(now))
        s |= StatusOverflow;
    return s;
}

} // namespace tonvera::emu
