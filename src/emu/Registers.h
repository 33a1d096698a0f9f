// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The register file of the signal generator as the emulator models it, and
// the decoding of the 6-byte command packets into register writes.

#include <array>
#include <cstdint>
#include <string>

namespace tonvera::emu {

inline constexpr int ChannelCount = 8;
inline constexpr int TableEntries = 32768;
inline constexpr std::uint32_t Word24Max = 0xFFFFFF;

using Packet = std::array<std::uint8_t, 6>;

// Raw register words, exactly as the packets carry them.
struct ChannelRegisters {
    std::uint32_t frequency = 0; // phase increment per clock tick (24 bit)
    std::uint32_t phase = 0;     // accumulator value at time 0 of each period
    // A fresh device ramps at full speed, so a signal whose ramps were never
    // programmed (ramp time 0 sends no ramp packet) switches on and off at once.
    std::uint32_t rampUp = Word24Max;    // envelope increment per tick while rising
    std::uint32_t rampDown = Word24Max;  // envelope decrement per tick while falling
    std::uint32_t startTime = 0;         // 10 us units
    std::uint32_t fallStart = Word24Max; // 10 us units
    std::uint32_t amplitudeWord = 0;     // the amplitude is this word >> 8

    [[nodiscard]] std::uint32_t amplitude() const { return amplitudeWord >> 8; }
    bool operator==(const ChannelRegisters&) const = default;
};

struct DeviceRegisters {
    std::array<ChannelRegisters, ChannelCount> channels{};
    std::uint32_t period = 15'000'000;      // length sub-code 3, 10 us units
    std::uint32_t endOfOutput = 15'000'000; // length sub-code 0, 10 us units
    std::uint32_t triggerStart = 0;         // length sub-code 2
    std::uint32_t triggerStop = 0;          // length sub-code 1
    std::uint32_t tableMode = 1;            // 1 normal, 3 table loading
    std::uint32_t endDampSteps = 0;         // final attenuation, 0.75 dB steps
    std::uint32_t repetitions = 1;          // 255 - byte 4 of the I packet
    bool endless = false;                   // bit 7 of byte 5 of the I packet

    bool operator==(const DeviceRegisters&) const = default;
};

enum class CommandKind {
    Status,       // code 0 / 32: status query (32 also stops)
    Frequency,    // B index
    Phase,        // B index + 8
    RampUp,       // C index
    RampDown,     // C index + 8
    StartTime,    // D index
    FallStart,    // D index + 8
    EndOfOutput,  // E 0
    TriggerStop,  // E 1
    TriggerStart, // E 2
    Period,       // E 3
    TableMode,    // F 0
    EndDamp,      // G 0
    Amplitude,    // H index
    Repetitions,  // I 0
    TableWord,    // q
    Unknown
};

struct Command {
    CommandKind kind = CommandKind::Unknown;
    // Code byte with bit 5 set: the device stops its output.
    bool stopForm = false;
    int channel = -1;        // per-signal registers: 0..7
    std::uint32_t value = 0; // register word; table address for table words
    bool endless = false;    // Repetitions only
    std::int16_t sample = 0; // TableWord only
};

[[nodiscard]] Command DecodePacket(const Packet& p);

// Stores what the command carries; status queries, table words and unknown
// packets leave the registers alone.
void ApplyCommand(DeviceRegisters& regs, const Command& c);

const char* CommandName(CommandKind k);

} // namespace tonvera::emu
