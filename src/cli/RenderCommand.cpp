// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <iostream>
#include <streambuf>
#include <unistd.h>

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

// "Berechne Ausgabe: 37 %" on one line of the terminal, written over as it
// moves and wiped before anything else is written, so only the results stay.
class TerminalProgress {
public:
    explicit TerminalProgress(std::ostream* terminal) : Terminal(terminal) {}
    ~TerminalProgress() { clear(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void show(const char* step, double share)
    {
        const int percent = std::clamp(static_cast<int>(std::floor(share * 100)), 0, 100);
        if (!Terminal || (step == Step && percent == Percent))
            return;
        Step = step;
        Percent = percent;
        const std::string text = std::string(step) + ": " + std::to_string(percent) + " %";
        *Terminal << '\r' << text << std::string(Width > text.size() ? Width - text.size() : 0, ' ') << std::flush;
        Width = std::max(Width, text.size());
    }
    void clear()
    {
        if (!Terminal || Width == 0)
            return;
        *Terminal << '\r' << std::string(Width, ' ') << '\r' << std::flush;
        Width = 0;
        Step = nullptr;
    }

private:
    std::ostream* Terminal;
    const char* Step = nullptr;
    int Percent = -1;
    std::size_t Width = 0;
};

// The error stream of the run: a box shown while the progress line stands
// begins on a line of its own.
class ClearingBuffer : public std::streambuf {
public:
    ClearingBuffer(std::streambuf* target, TerminalProgress& progress) : Target(target), Progress(progress) {}

protected:
    int overflow(int c) override
    {
        Progress.clear();
        return c == traits_type::eof() ? traits_type::not_eof(c) : Target->sputc(static_cast<char>(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        Progress.clear();
        return Target->sputn(s, n);
    }
    int sync() override { return Target->pubsync(); }

private:
    std::streambuf* Target;
    TerminalProgress& Progress;
};

// The virtual device's status lines are not news to whoever renders.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
};

} // namespace

int RunRender(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    // A file that cannot be written is found before the run is rendered.
    try {
        CheckWritable(o.files[1]);
    } catch (const AbortError& e) {
        err << "Fehler: " << ConsoleText(e.text()) << std::endl;
        return ExitProblems;
    }

    const bool terminal = &err == &std::cerr && ::isatty(STDERR_FILENO);
    TerminalProgress progress(terminal ? &err : nullptr);
    ClearingBuffer errBuffer(err.rdbuf(), progress);
    std::ostream boxes(&errBuffer);
    NullBuffer nothing;
    std::ostream quiet(&nothing);

    const auto rate = static_cast<std::uint32_t>(std::lround(o.rate));
    preview::EmuLine line;
    RunSession session(quiet, boxes, line, line);
    if (!session.load(o.files[0], o.cal))
        return ExitUsage;
    // The window's radio button; a project does not hold it.
    session.view().setPriority(o.priority);
    OrderSetting order = session.view().order();
    ApplyOrderOptions(o, order);
    session.view().setOrder(order);

    emu::WavFile wav(rate, o.floatSamples);
    RenderWatch watch;
    watch.played = [&](double share) { progress.show("Spiele Lauf", share); };
    watch.rendered = [&](std::uint64_t done, std::uint64_t total) {
        progress.show("Berechne Ausgabe", total ? double(done) / double(total) : 1.0);
    };
    const RenderedProject r = RenderSession(session, line, wav, o.maxSeconds, watch);
    progress.clear();
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
