// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderRun.h"

#include <algorithm>
#include <cmath>

namespace tonvera::cli {

RenderedProject RenderSession(RunSession& session, preview::EmuLine& line, emu::WavFile& wav, double maxSeconds,
                              const RenderWatch& watch)
{
    RenderedProject r;
    if (!session.initHardware("tonvera-emu")) {
        session.close();
        return r;
    }
    const std::uint32_t rate = wav.rate();
    // No more than the file can hold: a longer limit saturates there, so
    // nothing below is computed from a number too large for its type.
    maxSeconds = std::min(maxSeconds, static_cast<double>(wav.maxFrames()) / rate);
    const auto maxFrames =
        std::min<std::uint64_t>(wav.maxFrames(), static_cast<std::uint64_t>(std::ceil(maxSeconds * rate)));
    const auto maxTicks = static_cast<std::int64_t>(std::ceil(maxSeconds * emu::ClockHz));
    // Runs whose positions all last 0 s would go round for ever without a
    // sound; the virtual clock stops them too.
    const emu::EmuTime clockLimit =
        line.now() + std::chrono::seconds(60) + std::chrono::milliseconds(static_cast<std::int64_t>(maxSeconds * 4000));

    // An endless run plays as long as the limit lets it.
    const double expected = session.endless() ? maxSeconds : std::min(session.expectedSeconds(), maxSeconds);
    const double expectedTicks = expected * emu::ClockHz;

    TickClock clock;
    clock.waitTick = [&] {
        line.pause(50);
        if (watch.played && expectedTicks > 0)
            watch.played(std::min(1.0, double(line.recorder().soundedTicks(line.now())) / expectedTicks));
    };
    clock.stopRequested = [&] { return line.recorder().soundedTicks(line.now()) >= maxTicks; };
    clock.timedOut = [&] { return line.now() >= clockLimit; };

    r.endless = session.endless();
    r.end = session.play(clock);
    r.overflow = session.finishWarnings();
    session.close();
    if (r.end == RunEnd::Failed)
        return r;

    r.runs = emu::RenderRuns(line.recorder().runs(), line.now(), wav, maxFrames, watch.rendered);
    for (const emu::RenderedRun& run : r.runs)
        r.overflow = r.overflow || run.overflow;
    r.deviceSeconds = std::chrono::duration<double>(line.now()).count();
    r.cut = r.end != RunEnd::TimedOut && !r.endless && (r.end == RunEnd::Interrupted || wav.frames() >= maxFrames);
    return r;
}

} // namespace tonvera::cli
