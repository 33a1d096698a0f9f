// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a device played, kept run by run and written as a WAV file. Shared
// by tonvera-emu --wav and tonvera-cli render, so both write the same bytes
// for the same runs.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "emu/EmuTime.h"
#include "emu/SignalModel.h"

namespace tonvera::emu {

// One run as the device played it: registers and tables frozen at its
// start, and the times it started and stopped.
struct PlayedRun {
    RunSnapshot run;
    EmuTime started{0};
    std::optional<EmuTime> stopped;

    // Ticks the run sounded: up to its end, or up to the stop when that came
    // first; up to `now` while it goes on.
    [[nodiscard]] std::int64_t ticks(EmuTime now) const;
};

// Keeps every run a device model starts. note() is told the model's start
// count, last run and stop state after each batch of packets; a start closes
// the run before it (a stop and the next start may come in one batch).
class RunRecorder {
public:
    void note(std::uint64_t starts, const RunSnapshot* lastRun, bool stopped, EmuTime now);
    [[nodiscard]] const std::vector<PlayedRun>& runs() const { return Runs; }
    // Ticks sounded by all runs so far.
    [[nodiscard]] std::int64_t soundedTicks(EmuTime now) const;

private:
    std::vector<PlayedRun> Runs;
};

// A two-channel WAV file: channel 1 the signal output, channel 2 the
// trigger output. 16-bit PCM maps the converter's range (+-32767) onto the
// sample range and the trigger's high level onto 32767; 32-bit float maps
// them onto +-1.0 and 1.0, keeping the fractions a final attenuation leaves.
class WavFile {
public:
    WavFile(std::uint32_t rate, bool floatSamples) : Rate(rate), Float(floatSamples) {}

    // One frame: the output in converter units, the trigger level.
    void add(double output, bool trigger);
    [[nodiscard]] std::uint64_t frames() const { return Frames; }
    [[nodiscard]] std::uint32_t rate() const { return Rate; }
    // The most frames a file can hold (its sizes are 32-bit).
    [[nodiscard]] std::uint64_t maxFrames() const { return (0xFFFFFFFFull - 64) / (Float ? 8 : 4); }
    // The complete file: header and the frames added so far.
    [[nodiscard]] std::string bytes() const;

private:
    std::uint32_t Rate;
    bool Float;
    std::uint64_t Frames = 0;
    std::string Data;
};

struct RenderedRun {
    std::uint64_t frames = 0;
    bool overflow = false; // some sample of it left the converter's range
};

// Told the frames rendered so far and the frames the rendering will make.
using RenderProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The runs one after the other, each for as long as it sounded, without
// the pauses between them, until `wav` holds maxFrames. A long run is
// rendered piece by piece, each piece told to `progress`.
std::vector<RenderedRun> RenderRuns(const std::vector<PlayedRun>& runs, EmuTime now, WavFile& wav,
                                    std::uint64_t maxFrames, const RenderProgress& progress = {});

} // namespace tonvera::emu
