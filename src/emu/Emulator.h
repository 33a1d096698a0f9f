// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device as seen from the line: bytes in, reply bytes out. It frames
// packets, hands them to the device model, runs the boot loader first when
// asked to, and misbehaves on purpose in the fault modes. No clock and no
// file descriptors: the serving loop passes the time and moves the bytes.

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "emu/BootLoader.h"
#include "emu/DeviceModel.h"
#include "emu/EmuTime.h"
#include "emu/Registers.h"

namespace tonvera::emu {

struct FaultModes {
    bool silent = false;          // never answers
    bool answerEveryByte = false; // a status byte for every byte, not every packet
    bool garbage = false;         // random bytes instead of answers
    std::uint32_t drop = 0;       // loses every drop-th byte received (0: none)
};

struct EmulatorOptions {
    bool bootLoader = false;
    EmuTime bootGap = std::chrono::milliseconds(200);
    FaultModes faults;
    bool input = true;
    std::uint32_t seed = 1;
};

class Emulator {
public:
    explicit Emulator(const EmulatorOptions& options);

    // Bytes received at `now`; returns the bytes to send back.
    std::vector<std::uint8_t> receive(std::span<const std::uint8_t> bytes, EmuTime now);
    // Time passes: the boot loader's quiet gap, the overflow scan.
    void tick(EmuTime now);
    // Latest time at which tick() should run again; none when nothing waits.
    [[nodiscard]] std::optional<EmuTime> nextDeadline() const;

    [[nodiscard]] bool inBootLoader() const { return Boot.has_value() && Boot->state() != BootLoader::State::Complete; }
    [[nodiscard]] const BootLoader* bootLoader() const { return Boot ? &*Boot : nullptr; }
    DeviceModel& device() { return Device; }
    [[nodiscard]] const DeviceModel& device() const { return Device; }

    // Each complete packet, before it is applied.
    std::function<void(const Packet&)> onPacket;
    // The unpacked firmware each time an upload completes.
    std::function<void(const std::vector<std::uint8_t>&)> onFirmware;

    // From now on answers nothing (or answers again): a device that falls
    // silent in the middle of a run.
    void setSilent(bool on) { Options.faults.silent = on; }
    [[nodiscard]] std::uint64_t bytesReceived() const { return Received; }
    [[nodiscard]] std::uint64_t bytesDropped() const { return Dropped; }
    // Bytes held towards the next packet (0..5).
    [[nodiscard]] std::size_t partialPacket() const { return Fill; }

private:
    void packetByte(std::uint8_t b, EmuTime now, std::vector<std::uint8_t>& out);
    void answer(std::uint8_t status, std::vector<std::uint8_t>& out);
    void firmwareDone();

    EmulatorOptions Options;
    DeviceModel Device;
    std::optional<BootLoader> Boot;
    Packet Pending{};
    std::size_t Fill = 0;
    std::uint64_t Received = 0;
    std::uint64_t Dropped = 0;
    std::mt19937 Random;
};

// Consumes bytes no faster than a serial line delivers them (10 bits a byte),
// so a long upload takes its real wire time: the sender's writes block once
// the pseudo-terminal's buffer is full.
class WirePace {
public:
    explicit WirePace(std::int64_t baud = 115200) : NanosPerByte(1e9 * 10.0 / double(baud)) {}
    // Bytes whose wire time has passed by `now`.
    [[nodiscard]] std::size_t allowance(EmuTime now) const;
    void consumed(std::size_t n) { FreeAt += double(n) * NanosPerByte; }
    // Nothing is waiting at `now`: wire time that passed unused cannot be
    // saved up for later, beyond the one byte just arriving.
    void idle(EmuTime now);
    // When the next byte may be consumed.
    [[nodiscard]] EmuTime nextByteAt() const { return EmuTime(static_cast<std::int64_t>(FreeAt + NanosPerByte)); }

private:
    double NanosPerByte;
    double FreeAt = 0; // time the line finished the last consumed byte
};

} // namespace tonvera::emu
