// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the device plays, as it plays it: 16-bit mono samples at a fixed rate
// on the emulator's clock, silence while no run sounds. An optional
// transducer (a loudspeaker or headphone and the microphone that hears it)
// changes each signal's level by its gain at the signal's frequency, so a
// calibration measured through it has something to correct.

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "emu/EmuTime.h"
#include "emu/Recording.h"
#include "model/EichTable.h"

namespace tonvera::emu {

// Gain in dB over frequency, read and interpolated as a calibration table:
// lines "frequency/gain", linear between the points, constant beyond the
// first and the last, none at all with fewer than two points.
struct Transducer {
    EichTable table;

    [[nodiscard]] double gainDb(double hz) const { return EichCorrection(table, hz); }
    // The linear gain of each channel of a run, at its oscillator frequency.
    [[nodiscard]] std::array<double, ChannelCount> channelGains(const RunSnapshot& run) const;
};

// Reads the lines of a transducer file; throws AbortError on a file with
// more points than a calibration table holds.
[[nodiscard]] Transducer ParseTransducer(std::string_view bytes, const std::string& fileName);

class LiveAudio {
public:
    // Sample 0 lies at `origin`.
    LiveAudio(std::uint32_t rate, EmuTime origin, std::optional<Transducer> transducer = std::nullopt);

    // As RunRecorder::note: the model's start count, last run and stop
    // state after each batch of packets.
    void note(std::uint64_t starts, const RunSnapshot* lastRun, bool stopped, EmuTime now);
    // The samples from the last call up to `now`.
    [[nodiscard]] std::vector<std::int16_t> produce(EmuTime now);

    [[nodiscard]] std::uint32_t rate() const { return Rate; }
    [[nodiscard]] std::uint64_t produced() const { return Produced; }

private:
    [[nodiscard]] std::uint64_t sampleAt(EmuTime t) const;

    std::uint32_t Rate;
    EmuTime Origin;
    std::optional<Transducer> Sound;
    std::uint64_t Starts = 0;
    // The runs that may still sound in samples not produced yet, oldest first.
    std::deque<PlayedRun> Runs;
    std::uint64_t Produced = 0;
};

} // namespace tonvera::emu
