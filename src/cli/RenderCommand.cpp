#include <algorithm>
#include <cmath>

#include "Commands.h"
#include "ConsoleDialogs.h"
#include "RenderRun.h"
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

    emu::WavFile wav(rate, o.floatSamples);
    const RenderedProject r = RenderSession(session, line, wav, o.maxSeconds);
    if (r.end == RunEnd::Failed)
        return ExitProblems;

    int n = 0;
    for (const emu::RenderedRun& run : r.runs)
        out << "Lauf " << ++n << ": " << seconds(static_cast<double>(run.frames) / rate)
            << (run.overflow ? ", Signalüberlauf!" : "") << '\n';
    const std::string length = seconds(static_cast<double>(wav.frames()) / rate);
    if (r.end == RunEnd::TimedOut)
        err << "Lauf nach " << seconds(r.deviceSeconds) << " Gerätezeit ohne Ende angehalten; Ausgabe " << length
            << std::endl;
    else if (r.cut)
        err << "Ausgabe nach " << length << " abgeschnitten (--max-seconds)" << std::endl;

    try {
        WriteFileAtomically(o.files[1], wav.bytes());
    } catch (const AbortError& e) {
        err << "Fehler: " << ConsoleText(e.text()) << std::endl;
        return ExitProblems;
    }
    out << o.files[1] << ": " << seconds(static_cast<double>(wav.frames()) / rate) << ", " << rate << " Hz"
        << (r.overflow ? ", Signalüberlauf!" : "") << std::endl;
    return r.overflow ? ExitOverflow : ExitOk;
}

} // namespace tonvera::cli
