// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputCheck.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "ProjectInput.h"
#include "model/Numbers.h"
#include "preview/PreviewRun.h"
#include "preview/PreviewSignal.h"

namespace tonvera::cli {

namespace {

struct LoudSpan {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t sum = 0; // the largest sum of peaks within it
    std::vector<int> signals;
};

// The stretches of the period in which the peaks of the channels sounding
// at once add up beyond full scale, with every signal that sounds in them.
std::vector<LoudSpan> LoudSpans(const emu::RunSnapshot& run)
{
    std::array<emu::ChannelReach, emu::ChannelCount> reach{};
    std::vector<std::int64_t> edges;
    for (int k = 0; k < emu::ChannelCount; ++k) {
        reach[std::size_t(k)] = emu::ReachOf(run, k);
        if (reach[std::size_t(k)].peak > 0 && reach[std::size_t(k)].to > reach[std::size_t(k)].from) {
            edges.push_back(reach[std::size_t(k)].from);
            edges.push_back(reach[std::size_t(k)].to);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<LoudSpan> spans;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        LoudSpan piece{edges[i], edges[i + 1], 0, {}};
        for (int k = 0; k < emu::ChannelCount; ++k) {
            const emu::ChannelReach& r = reach[std::size_t(k)];
            if (r.peak > 0 && r.from <= piece.from && r.to >= piece.to) {
                piece.sum += r.peak;
                piece.signals.push_back(k);
            }
        }
        if (piece.sum <= emu::ConverterMax)
            continue;
        if (spans.empty() || spans.back().to != piece.from) {
            spans.push_back(piece);
            continue;
        }
        LoudSpan& last = spans.back();
        last.to = piece.to;
        last.sum = std::max(last.sum, piece.sum);
        for (const int k : piece.signals)
            if (std::find(last.signals.begin(), last.signals.end(), k) == last.signals.end())
                last.signals.push_back(k);
        std::sort(last.signals.begin(), last.signals.end());
    }
    return spans;
}

std::string Ms(std::int64_t ticks, int digits = 6)
{
    return FormatGeneral(double(ticks) / preview::TicksPerMs, digits);
}

// "Signale 0, 1 und 3 können zusammen die Vollaussteuerung überschreiten
// (bis 150 %, von 10 bis 35 ms)"
std::string LoudText(const LoudSpan& span)
{
    std::string who;
    if (span.signals.size() == 1) {
        who = "Signal " + std::to_string(span.signals[0]) + " kann allein";
    } else {
        who = "Signale ";
        for (std::size_t i = 0; i < span.signals.size(); ++i) {
            if (i > 0)
                who += i + 1 == span.signals.size() ? " und " : ", ";
            who += std::to_string(span.signals[i]);
        }
        who += " können zusammen";
    }
    const long percent = std::lround(double(span.sum) * 100.0 / double(emu::ConverterMax));
    return who + " die Vollaussteuerung überschreiten (bis " + std::to_string(percent) + " %, von " + Ms(span.from) +
           " bis " + Ms(span.to) + " ms)";
}

} // namespace

std::vector<Problem> CheckOutput(const Project& project, Priority priority)
{
    std::vector<Problem> found;
    std::optional<Problem> overflow;
    preview::PreviewDevice device;
    preview::PreviewInput input{project.State, project.Globals, priority, 1};
    const int positions = PositionsOf(project.State);
    for (int pos = 1; pos <= positions; ++pos) {
        input.position = pos;
        // Once the first overflow is known, the later positions are not
        // searched tick by tick.
        const preview::PreviewRun run = device.compute(input, [&] { return overflow.has_value(); });
        // A position whose download aborts has its problems reported already.
        if (!run.valid)
            continue;
        for (const LoudSpan& span : LoudSpans(run.run)) {
            const std::string text = LoudText(span);
            const auto same =
                std::find_if(found.begin(), found.end(), [&](const Problem& p) { return p.text == text; });
            if (same != found.end())
                same->positions.push_back(pos);
            else
                found.push_back(Problem{-1, OutputSubject, text, "", {pos}, true, false});
        }
        if (!overflow && run.firstOverflow)
            overflow = Problem{
                -1, OutputSubject, "Erster Überlauf bei " + Ms(*run.firstOverflow, 7) + " ms", "", {pos}, true, true};
    }
    if (overflow)
        found.push_back(*overflow);
    return found;
}

} // namespace tonvera::cli
