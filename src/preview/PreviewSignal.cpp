// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "emu/Recording.h"

namespace tonvera::preview {

namespace {

constexpr int SpectrumSize = 16384;
// A long span is analysed at 125 kHz in up to this many pieces.
constexpr std::int64_t LongSpanStep = 32;
constexpr int MaxPieces = 4;
constexpr double FloorDb = -160;

void Include(Column& c, double v, bool trigger, bool overflow, bool first)
{
    if (first) {
        c.low = c.high = v;
    } else {
        c.low = std::min(c.low, v);
        c.high = std::max(c.high, v);
    }
    (trigger ? c.triggerHigh : c.triggerLow) = true;
    c.overflow = c.overflow || overflow;
}

} // namespace

std::vector<Column> ColumnsOf(const PreviewRun& run, double from, double to, int columns)
{
    std::vector<Column> out(std::size_t(std::max(columns, 0)));
    if (columns <= 0 || !(to > from) || !run.valid)
        return out;
    const double width = (to - from) / columns;
    for (int c = 0; c < columns; ++c) {
        Column& col = out[std::size_t(c)];
        const double left = from + width * c;
        auto a = static_cast<std::int64_t>(std::ceil(left));
        auto b = static_cast<std::int64_t>(std::ceil(left + width));
        if (b <= a) {
            // Narrower than a tick: the value the converter holds there.
            a = static_cast<std::int64_t>(std::floor(left));
            b = a + 1;
        }
        const std::int64_t n = b - a;
        const std::int64_t count = std::min(n, ExactColumnTicks);
        for (std::int64_t j = 0; j < count; ++j) {
            const std::int64_t t = a + (n == count ? j : j * n / count);
            bool trigger = false, overflow = false;
            const double v = run.outputAt(t, &trigger, &overflow);
            Include(col, v, trigger, overflow, j == 0);
        }
        col.overflow = col.overflow || run.overflowWithin(a, b);
    }
    return out;
}

void Fft(std::vector<double>& re, std::vector<double>& im)
{
    const std::size_t n = re.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * std::numbers::pi / double(len);
        const double wr = std::cos(angle), wi = std::sin(angle);
        for (std::size_t i = 0; i < n; i += len) {
            double cr = 1, ci = 0;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::size_t u = i + k, v = i + k + len / 2;
                const double tr = re[v] * cr - im[v] * ci;
                const double ti = re[v] * ci + im[v] * cr;
                re[v] = re[u] - tr;
                im[v] = im[u] - ti;
                re[u] += tr;
                im[u] += ti;
                const double next = cr * wr - ci * wi;
                ci = cr * wi + ci * wr;
                cr = next;
            }
        }
    }
}

Spectrum SpectrumOf(const PreviewRun& run, std::int64_t from, std::int64_t to, int maxPeaks)
{
    Spectrum s;
    const std::int64_t span = to - from;
    if (!run.valid || span < 64)
        return s;

    std::int64_t size = SpectrumSize;
    std::int64_t step = LongSpanStep;
    if (span < size * LongSpanStep) {
        step = std::max<std::int64_t>(1, span / size);
        while (size * step > span)
            size /= 2;
    }
    const std::int64_t pieceTicks = size * step;
    const int pieces = int(std::clamp<std::int64_t>(span / pieceTicks, 1, MaxPieces));
    s.sampleRate = double(emu::ClockHz) / double(step);

    const auto n = std::size_t(size);
    std::vector<double> window(n);
    double windowSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n));
        windowSum += window[i];
    }
    std::vector<double> power(n / 2 + 1, 0.0);
    std::vector<double> re(n), im(n);
    for (int p = 0; p < pieces; ++p) {
        // Pieces spread evenly over the span, the last one ending at its end.
        const std::int64_t start = pieces == 1 ? from : from + (span - pieceTicks) * p / (pieces - 1);
        for (std::size_t i = 0; i < n; ++i) {
            re[i] = run.outputAt(start + std::int64_t(i) * step) * window[i];
            im[i] = 0;
        }
        Fft(re, im);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            // A full-scale sine between bins still reads close to 1.
            const double a = 2 * std::hypot(re[k], im[k]) / windowSum;
            power[k] += a * a / pieces;
        }
    }
    s.db.resize(power.size());
    for (std::size_t k = 0; k < power.size(); ++k)
        s.db[k] = std::max(FloorDb, 10 * std::log10(std::max(power[k], 1e-300)));

    // Peaks: local maxima well above the floor, the strongest first, each at
    // least a main lobe away from a stronger one, placed between bins by a
    // parabola through the three highest bins.
    std::vector<std::size_t> candidates;
    for (std::size_t k = 1; k + 1 < s.db.size(); ++k)
        if (s.db[k] > s.db[k - 1] && s.db[k] >= s.db[k + 1] && s.db[k] > FloorDb + 20)
            candidates.push_back(k);
    std::sort(candidates.begin(), candidates.end(), [&](std::size_t x, std::size_t y) { return s.db[x] > s.db[y]; });
    std::vector<std::size_t> taken;
    for (std::size_t k : candidates) {
        if (int(taken.size()) >= maxPeaks || s.db[k] < s.db[candidates.front()] - 80)
            break;
        if (std::any_of(taken.begin(), taken.end(), [&](std::size_t t) { return (t > k ? t - k : k - t) <= 3; }))
            continue;
        taken.push_back(k);
        const double a = s.db[k - 1], b = s.db[k], c = s.db[k + 1];
        const double denom = a - 2 * b + c;
        const double shift = denom != 0 ? 0.5 * (a - c) / denom : 0;
        s.peaks.push_back(Peak{(double(k) + shift) * s.binHz(), b - 0.25 * (a - c) * shift});
    }
    return s;
}

std::string WavOf(const PreviewRun& run, std::uint32_t rate)
{
    emu::WavFile wav(rate, false);
    if (!run.valid)
        return wav.bytes();
    // One run that played from 0 to the end of the position, written as
    // render writes each run.
    const std::vector<emu::PlayedRun> played{emu::PlayedRun{run.run, emu::EmuTime(0), emu::TimeOfTicks(run.endTick)}};
    emu::RenderRuns(played, emu::TimeOfTicks(run.endTick), wav, wav.maxFrames());
    return wav.bytes();
}

} // namespace tonvera::preview
