// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wave-table fills of the signal types. Entry i belongs to the phase
// angle 2*pi*i/32768; full scale is +-32500.

#include <cstdint>

#include "model/SinusRecord.h"

namespace tonvera {

void FillSine(SinusRecord& record);
// m carrier periods inside one period of the modulation; m need not be an
// integer.
void FillAM(SinusRecord& record, double m);
void FillRect(SinusRecord& record);
// Uses and advances the noise generator state `seed` (owned by the main
// window state, 0 at start-up and never reseeded, so runs are repeatable).
void FillNoise(SinusRecord& record, std::uint32_t& seed);

// One step of the noise generator: the new state read as a fraction of 2^32.
[[nodiscard]] double NextNoise(std::uint32_t& seed);

} // namespace tonvera
