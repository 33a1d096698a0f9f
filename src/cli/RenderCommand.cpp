#include <algorithm>
#include <cmath>

#include "Commands.h"
#include "ConsoleDialogs.h"
#include "RunSession.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "preview/EmuLine.h"

namespace tonvera::cli {

namespace {

std::string seconds(double s) { return FormatGeneral(s) + " s"; }

} // namespace

int RunRender(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    const auto rate = static_cast<std::uint32_t>(std::lround(o.rate));
    preview::EmuLine line;
    RunSession session(out, err, line, line);
    if (!session.load(o.files[0], o.cal))
        return ExitUsage;
    // The window's radio button; a project does not hold it.
    session.view().setPriority(o.priority);
    if (!session.initHardware("tonvera-emu")) {
        session.close();
        return ExitProblems;
    }

    emu::WavFile wav(rate, o.floatSamples);
    // No more than the file can hold: a longer limit saturates there, so
    // nothing below is computed from a number too large for its type.
    const double maxSeconds = std::min(o.maxSeconds, static_cast<double>(wav.maxFrames()) / rate);
    const auto maxFrames = std::min<std::uint64_t>(
        wav.maxFrames(), static_cast<std::uint64_t>(std::ceil(maxSeconds * rate)));
    const auto maxTicks = static_cast<std::int64_t>(std::ceil(maxSeconds * emu::ClockHz));
    // Runs whose positions all last 0 s would go round for ever without a
    // sound; the virtual clock stops them too.
    const emu::EmuTime clockLimit = line.now() + std::chrono::seconds(60)
        + std::chrono::milliseconds(static_cast<std::int64_t>(maxSeconds * 4000));

    TickClock clock;
    clock.waitTick = [&] { line.pause(50); };
    clock.stopRequested = [&] { return line.recorder().soundedTicks(line.now()) >= maxTicks; };
    clock.timedOut = [&] { return line.now() >= clockLimit; };

    const bool endless = session.endless();
    const RunEnd end = session.play(clock);
    bool overflow = session.finishWarnings();
    session.close();
    if (end == RunEnd::Failed)
        return ExitProblems;

    int n = 0;
    for (const emu::RenderedRun& r : emu::RenderRuns(line.recorder().runs(), line.now(), wav, maxFrames)) {
        overflow = overflow || r.overflow;
        out << "Lauf " << ++n << ": " << seconds(static_cast<double>(r.frames) / rate)
            << (r.overflow ? ", Signalüberlauf!" : "") << '\n';
    }
    const std::string length = seconds(static_cast<double>(wav.frames()) / rate);
    if (end == RunEnd::TimedOut)
        err << "Lauf nach " << seconds(std::chrono::duration<double>(line.now()).count())
            << " Gerätezeit ohne Ende angehalten; Ausgabe " << length << std::endl;
    else if (!endless && (end == RunEnd::Interrupted || wav.frames() >= maxFrames))
        err << "Ausgabe nach " << length << " abgeschnitten (--max-seconds)" << std::endl;

    try {
        WriteFileAtomically(o.files[1], wav.bytes());
    } catch (const AbortError& e) {
        err << "Fehler: " << ConsoleText(e.text()) << std::endl;
        return ExitProblems;
    }
    out << o.files[1] << ": " << seconds(static_cast<double>(wav.frames()) / rate) << ", " << rate << " Hz"
        << (overflow ? ", Signalüberlauf!" : "") << std::endl;
    return overflow ? ExitOverflow : ExitOk;
}

} // namespace tonvera::cli
