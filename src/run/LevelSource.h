// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the calibration assistant reads the level of the tone it plays: a
// sound level meter the operator reads off, or a measuring microphone on a
// sound card input. The assistant knows nothing of either.

namespace tonvera {

class LevelSource {
public:
    virtual ~LevelSource() = default;
    // The level in dB SPL of the steady tone of `hz` that plays now,
    // measured over `seconds` once its ramp is over. Aborts (AbortError,
    // with the text the operator sees) when nothing can be measured.
    virtual double measure(double hz, double seconds) = 0;
};

} // namespace tonvera
