// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview's picture and analysis of a downloaded run: the output as one
// min/max pair per pixel column, the spectrum of a span, and the run as a
// WAV file. Levels are fractions of the converter's full scale, times are
// 4 MHz ticks from the start of the run.

#include <cstdint>
#include <string>
#include <vector>

#include "preview/PreviewRun.h"

namespace tonvera::preview {

inline constexpr double TicksPerMs = double(emu::ClockHz) / 1000.0;

struct Column {
    double low = 0;
    double high = 0;
    bool triggerLow = false;  // the trigger was low somewhere in the column
    bool triggerHigh = false; // ... and high somewhere
    bool overflow = false;    // a sample of the column left the converter's range
};

// A column whose span holds no more ticks than this is drawn exactly; a
// wider one from this many ticks spread evenly over it. The overflow marks
// do not depend on it: the first overflow (and its repetitions) is found
// tick by tick.
inline constexpr std::int64_t ExactColumnTicks = 96;

// `columns` columns over the ticks [from, to); a column narrower than a tick
// holds the value of the tick it lies in (the converter holds it).
[[nodiscard]] std::vector<Column> ColumnsOf(const PreviewRun& run, double from, double to, int columns);

struct Peak {
    double hz = 0;
    double db = 0;
};

struct Spectrum {
    double sampleRate = 0;
    // Bin k lies at k * sampleRate / (2 * (db.size() - 1)) Hz.
    std::vector<double> db;
    // The strongest peaks, strongest first.
    std::vector<Peak> peaks;

    [[nodiscard]] double binHz() const { return db.size() > 1 ? sampleRate / double(2 * (db.size() - 1)) : 0; }
};

// Magnitude in dB of full scale (a full-scale sine reads 0 dB) over the
// ticks [from, to): Hann-windowed transforms of 16384 samples, averaged over
// up to eight pieces of a long span.
[[nodiscard]] Spectrum SpectrumOf(const PreviewRun& run, std::int64_t from, std::int64_t to, int maxPeaks = 6);

// In-place radix-2 transform; the size must be a power of two.
void Fft(std::vector<double>& re, std::vector<double>& im);

// The position's output as tonvera-cli render writes a run: 16-bit, two
// channels (output, trigger).
[[nodiscard]] std::string WavOf(const PreviewRun& run, std::uint32_t rate);

} // namespace tonvera::preview
