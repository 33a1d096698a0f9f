// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time inside the emulator model. The model never reads a clock itself: the
// serving loop passes steady_clock readings, tests pass virtual time, so a
// run of minutes is checked in microseconds.

#include <chrono>
#include <cstdint>

namespace tonvera::emu {

// Any fixed epoch will do; only differences are used.
using EmuTime = std::chrono::nanoseconds;

// The device's master clock: 4 MHz, so one tick is 250 ns.
inline constexpr std::int64_t ClockHz = 4'000'000;
inline constexpr std::int64_t NanosPerTick = 1'000'000'000 / ClockHz;
// Start times, fall starts, the trigger window and the length registers
// count in 10 us units: 40 clock ticks each.
inline constexpr std::int64_t TicksPerTimeUnit = 40;

[[nodiscard]] inline std::int64_t TicksOf(EmuTime d) { return d.count() / NanosPerTick; }
[[nodiscard]] inline EmuTime TimeOfTicks(std::int64_t ticks) { return EmuTime(ticks * NanosPerTick); }

} // namespace tonvera::emu
