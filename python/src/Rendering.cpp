// SPDX-License-Identifier: GPL-3.0-or-later
#include "Rendering.h"

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "RenderRun.h"
#include "model/Errors.h"

namespace tonvera::python {

namespace {

// The frames of a 32-bit float, two-channel WAV file.
Rendering FromWav(const std::string& bytes, double rate)
{
    std::size_t pos = 12;
    std::string_view data;
    while (pos + 8 <= bytes.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + pos + 4, 4);
        if (bytes.compare(pos, 4, "data") == 0) {
            data = std::string_view(bytes).substr(pos + 8, size);
            break;
        }
        pos += 8 + size + (size & 1);
    }
    const auto frames = static_cast<py::ssize_t>(data.size() / 8);
    Rendering r;
    r.rate = rate;
    r.signal = py::array_t<float>(frames);
    r.trigger = py::array_t<bool>(frames);
    auto s = r.signal.mutable_unchecked<1>();
    auto t = r.trigger.mutable_unchecked<1>();
    for (py::ssize_t i = 0; i < frames; ++i) {
        float out = 0, trig = 0;
        std::memcpy(&out, data.data() + i * 8, 4);
        std::memcpy(&trig, data.data() + i * 8 + 4, 4);
        s(i) = out;
        t(i) = trig != 0.0f;
    }
    return r;
}

} // namespace

Rendering RenderProject(ProjectObject& po, double rate, const py::handle& cal, bool variablesFirst, double maxSeconds)
{
    if (!(rate >= 1000 && rate <= 1'000'000))
        throw AbortError("Die Abtastrate muss zwischen 1000 und 1000000 Hz liegen");
    if (!(maxSeconds > 0 && std::isfinite(maxSeconds)))
        throw RangeError();
    const Project project = po.value();
    const EichTable table = CalibrationFrom(cal);
    const auto hz = static_cast<std::uint32_t>(std::lround(rate));
    std::string error;
    std::string wav;
    cli::RenderedProject outcome;
    {
        py::gil_scoped_release release;
        std::ostringstream out, err;
        preview::EmuLine line;
        cli::RunSession session(out, err, line, line);
        session.core().state().EichTable = table;
        if (!session.adopt(project, true)) {
            error = session.dialogs().lastError();
        } else {
            session.view().setPriority(PriorityOf(variablesFirst));
            emu::WavFile file(hz, true);
            outcome = cli::RenderSession(session, line, file, maxSeconds);
            if (outcome.end == cli::RunEnd::Failed)
                error = session.dialogs().lastError();
            else
                wav = file.bytes();
        }
    }
    if (!error.empty() || outcome.end == cli::RunEnd::Failed)
        throw AbortError(error.empty() ? std::string("Hardware nicht gefunden") : error);
    Rendering r = FromWav(wav, hz);
    r.overflow = outcome.overflow;
    r.cut = outcome.cut || outcome.end == cli::RunEnd::TimedOut;
    for (const emu::RenderedRun& run : outcome.runs)
        r.runs.emplace_back(static_cast<double>(run.frames) / hz, run.overflow);
    return r;
}

} // namespace tonvera::python
