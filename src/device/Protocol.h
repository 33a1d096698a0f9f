// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packet protocol of the signal generator, as pure functions: the codes,
// the 6-byte packet layout and the conversions of real values into register
// words. No port access here, so tests can build and read packets directly.
// The emulator does not use these: it decodes the wire by its own reading
// of the protocol, so that a slip here shows as a disagreement.
//
// Wire order is least significant byte first. Every real value is rounded to
// the nearest integer with halves to even, computed in long double so the
// results agree with the device's earlier controller software.

#include <array>
#include <cmath>
#include <cstdint>

#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/WaveTable.h"

namespace tonvera::protocol {

inline constexpr int PacketSize = 6;
using Packet = std::array<std::uint8_t, PacketSize>;

// Command codes as they go out while the device plays. While it is stopped
// every code (and every synchronisation byte) goes out RunStateOffset higher;
// a code byte with bit 5 set therefore also means "stop".
inline constexpr int RunStateOffset = 32;
inline constexpr int CodeStatus = 0;       // status query, answered by one byte
inline constexpr int CodeStart = 32;       // first half of the start sequence
inline constexpr int CodeOscillator = 66;  // 'B': frequency (index), phase (index + 8)
inline constexpr int CodeRamp = 67;        // 'C': ramp up (index), ramp down (index + 8)
inline constexpr int CodeTime = 68;        // 'D': start time (index), fall start (index + 8)
inline constexpr int CodeLength = 69;      // 'E': sub-codes below
inline constexpr int CodeTableMode = 70;   // 'F'
inline constexpr int CodeEndDamp = 71;     // 'G'
inline constexpr int CodeAmplitude = 72;   // 'H'
inline constexpr int CodeRepetitions = 73; // 'I'
inline constexpr int CodeTableWord = 113;  // 'q': never shifted by the run state

inline constexpr int SubPhaseOffset = 8; // second register of B, C and D
inline constexpr int SubEndOfOutput = 0; // E: end of output within a period
inline constexpr int SubTriggerStop = 1;
inline constexpr int SubTriggerStart = 2;
inline constexpr int SubPeriod = 3; // E: repetition period

inline constexpr int TableModeNormal = 1;
inline constexpr int TableModeLoading = 3;
inline constexpr int EndlessFlag = 128;

// Status reply bits.
inline constexpr std::uint8_t StatusRunEnd = 8;
inline constexpr std::uint8_t StatusInput = 16;
inline constexpr std::uint8_t StatusOverflow = 128;

inline constexpr long DeviceClockHz = 4'000'000;
inline constexpr std::uint32_t MaxWord24 = 0xFFFFFF;
inline constexpr std::uint32_t FixedLengthWord = 15'000'000; // 150,000 ms
inline constexpr int TableLength = TableSize;
inline constexpr int TableCount = 8;

// Rounds and checks that the result fits min..max; anything else (NaN,
// infinity, too large, negative where unsigned) is a range error.
[[nodiscard]] inline std::int64_t RoundChecked(long double x, std::int64_t min, std::int64_t max)
{
    if (!std::isfinite(x))
        throw RangeError();
    const long double r = rnd(x); // halves to even
    if (r < static_cast<long double>(min) || r > static_cast<long double>(max))
        throw RangeError();
    return static_cast<std::int64_t>(r);
}

[[nodiscard]] inline Packet MakePacket(int code, int b1, int b2, int b3, int b4, int b5)
{
    const int v[PacketSize] = {code, b1, b2, b3, b4, b5};
    Packet p{};
    for (int i = 0; i < PacketSize; ++i) {
        if (v[i] < 0 || v[i] > 255)
            throw RangeError();
        p[i] = static_cast<std::uint8_t>(v[i]);
    }
    return p;
}

// 24-bit word in bytes 3-5 (byte 2 stays 0).
[[nodiscard]] inline Packet MakeW24Packet(int code, int sub, std::int64_t word)
{
    if (word < 0 || word > MaxWord24)
        throw RangeError();
    return MakePacket(code, sub, 0, static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                      static_cast<int>((word >> 16) & 0xFF));
}

// 16-bit word in bytes 4-5.
[[nodiscard]] inline Packet MakeW16Packet(int code, int sub, std::int64_t word)
{
    if (word < 0 || word > 0xFFFF)
        throw RangeError();
    return MakePacket(code, sub, 0, 0, static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF));
}

// The values a table word takes; anything else is a range error.
inline constexpr std::int32_t TableValueMin = -65536;
inline constexpr std::int32_t TableValueMax = 65535;

// One word of table memory: address in bytes 1-3, 16-bit value in bytes 4-5.
// Negative samples go out as 16-bit two's complement.
[[nodiscard]] inline Packet MakeTableWordPacket(std::int64_t address, std::int32_t value)
{
    if (address < 0 || address > MaxWord24 || value < TableValueMin || value > TableValueMax)
        throw RangeError();
    const std::int64_t v = value >= 0 ? value : value + 65536;
    return MakePacket(CodeTableWord, static_cast<int>(address & 0xFF), static_cast<int>((address >> 8) & 0xFF),
                      static_cast<int>((address >> 16) & 0xFF), static_cast<int>(v & 0xFF),
                      static_cast<int>((v >> 8) & 0xFF));
}

// Decoding, for tests.
[[nodiscard]] inline std::uint32_t W24Of(const Packet& p) { return p[3] | (p[4] << 8) | (std::uint32_t(p[5]) << 16); }
[[nodiscard]] inline std::uint32_t W16Of(const Packet& p) { return p[4] | (p[5] << 8); }
[[nodiscard]] inline std::uint32_t TableAddressOf(const Packet& p)
{
    return p[1] | (p[2] << 8) | (std::uint32_t(p[3]) << 16);
}
[[nodiscard]] inline std::int16_t TableValueOf(const Packet& p)
{
    return static_cast<std::int16_t>(p[4] | (p[5] << 8));
}

// --- Conversions of real values into register words ----------------------

// Frequency in Hz: the phase increment per 4 MHz tick of a 24-bit accumulator.
[[nodiscard]] inline std::int64_t FrequencyWord(double hz)
{
    return RoundChecked(static_cast<long double>(hz) / 4000000.0L * 8388608.0L * 2.0L, 0, MaxWord24);
}

// Phase in degrees, any value: brought into 0..360 first, 360 wraps to 0.
[[nodiscard]] inline std::int64_t PhaseWord(double degrees)
{
    long double p = degrees;
    if (!std::isfinite(p))
        throw RangeError();
    if (p < 0) {
        const long double k = rnd(std::fabs(p / 360.0L) + 0.5L);
        p = p + k * 360.0L;
    }
    if (p > 360.0L)
        p = p - std::trunc(p / 360.0L) * 360.0L;
    const std::int64_t w = RoundChecked(p / 360.0L * 16777216.0L, INT64_MIN / 2, INT64_MAX / 2);
    return ((w % 16777216) + 16777216) % 16777216;
}

// Attenuation in dB. Exactly -1 dB is the mute value and gives amplitude 0.
// The amplitude must fit 16 bits, so below about -6.02 dB it is a range error.
[[nodiscard]] inline std::int64_t AmplitudeOf(double db)
{
    if (db == -1.0)
        return 0;
    const long double a = db;
    if (std::isnan(a))
        throw RangeError();
    return RoundChecked(32760.0L * std::pow(10.0L, -a / 20.0L), 0, 0xFFFF);
}

// Times in ms as hundredths of a millisecond (the device's 10 us unit).
[[nodiscard]] inline std::int64_t TimeWord(double ms)
{
    return RoundChecked(static_cast<long double>(ms) / 0.01L, 0, MaxWord24);
}

// Ramp time in ms: the envelope increment per 4 MHz tick that climbs 2^24 in
// that time. A ramp time of 0 means "no ramp" and is never converted.
[[nodiscard]] inline std::int64_t RampWord(double ms)
{
    return RoundChecked(16777216.0L / static_cast<long double>(ms) / 4000.0L, 0, MaxWord24);
}

// Final attenuation in dB as a count of 0.75 dB steps.
[[nodiscard]] inline std::int64_t EndDampSteps(double db)
{
    return RoundChecked(static_cast<long double>(db) / 2.0L / 0.375L, 0, 255);
}

} // namespace tonvera::protocol
