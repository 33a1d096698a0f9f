// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device behind the packet framing: registers, table memory, the run
// and the status byte. Every complete packet goes through onPacket(), which
// returns the status byte the device answers with.
//
// Run model: a code byte with bit 5 set stops the output; the first plainly
// coded packet after a stop starts a run from time 0 with the registers and
// tables as they are then. Bit 3 reports that the run has reached its end
// and stays set until the next start; bit 7 reports that the summed
// channels left the converter's range at some point of the run so far and
// likewise stays until the next start; bit 4 is the external input.

#include <cstdint>
#include <memory>
#include <optional>

#include "emu/EmuTime.h"
#include "emu/Registers.h"
#include "emu/SignalModel.h"

namespace tonvera::emu {

inline constexpr std::uint8_t StatusRunEnd = 0x08;
inline constexpr std::uint8_t StatusInput = 0x10;
inline constexpr std::uint8_t StatusOverflow = 0x80;

class DeviceModel {
public:
    DeviceModel();

    // Applies one complete packet received at `now`; returns the status
    // byte that answers it (the state after the packet).
    std::uint8_t onPacket(const Packet& p, EmuTime now);
    std::uint8_t status(EmuTime now);

    // External input level (bit 4). A push-button contact with a pull-up
    // reads 1 while it is open, so that is the level at power-on.
    void setInput(bool level) { Input = level; }
    [[nodiscard]] bool input() const { return Input; }

    // Lets the overflow scan catch up with the run; the serving loop calls
    // it often so no single status reply has to wait for a long scan.
    void advance(EmuTime now);
    // When advance() should be called next to follow a pending scan.
    [[nodiscard]] bool scanPending() const;

    [[nodiscard]] const DeviceRegisters& registers() const { return Regs; }
    [[nodiscard]] const TableMemory& tables() const { return *Tables; }

    // A run has been started and not stopped since.
    [[nodiscard]] bool playing() const { return Run.has_value() && !Stopped; }
    [[nodiscard]] bool stopped() const { return Stopped; }
    // The run of the last start (also after a stop); none before the first start.
    [[nodiscard]] const RunSnapshot* lastRun() const { return Run ? &*Run : nullptr; }
    // Clock ticks of the last run at `now` (frozen at a stop).
    [[nodiscard]] std::int64_t runTicks(EmuTime now) const;
    [[nodiscard]] bool runEnded(EmuTime now) const;
    bool overflowSeen(EmuTime now);

    [[nodiscard]] std::uint64_t packets() const { return Packets; }
    [[nodiscard]] std::uint64_t unknownPackets() const { return Unknown; }
    [[nodiscard]] std::uint64_t starts() const { return Starts; }

private:
    void start(EmuTime now);
    void stop(EmuTime now);
    TableMemory& writableTables();

    DeviceRegisters Regs;
    // Shared with the snapshot of the running run until the next table word
    // changes the memory (then the memory is copied once).
    std::shared_ptr<TableMemory> Tables;
    std::optional<RunSnapshot> Run;
    std::unique_ptr<OverflowScanner> Scanner;
    EmuTime RunStart{0};
    EmuTime StoppedAt{0};
    // A fresh device sits still until it is told to start.
    bool Stopped = true;
    bool Input = true;
    std::uint64_t Packets = 0;
    std::uint64_t Unknown = 0;
    std::uint64_t Starts = 0;
};

} // namespace tonvera::emu
