// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole run played into the emulator's device model in this process, on
// its virtual clock, and the outputs it played rendered one run after the
// other: what "tonvera-cli render" writes into its WAV file.

#include <cstdint>
#include <functional>
#include <vector>

#include "preview/EmuLine.h"
#include "RunSession.h"
#include "emu/Recording.h"
#include "emu/SignalModel.h"

namespace tonvera::cli {

struct RenderedProject {
    RunEnd end = RunEnd::Failed;
    bool endless = false;
    bool overflow = false;              // reported by the device or seen in a sample
    std::vector<emu::RenderedRun> runs; // empty when the run failed
    double deviceSeconds = 0;           // the virtual time the run took
    bool cut = false;                   // the output was cut at maxSeconds
};

// Told how far a rendering has got: while the run plays on the virtual
// clock, the share of its expected length played so far; then the frames
// of the file made so far.
struct RenderWatch {
    std::function<void(double share)> played;
    emu::RenderProgress rendered;
};

// `session` must run on `line` and hold the project (and calibration);
// "Hardware initialisieren", Start and the ticks follow, then the session
// is closed. `wav` receives the frames.
[[nodiscard]] RenderedProject RenderSession(RunSession& session, preview::EmuLine& line, emu::WavFile& wav,
                                            double maxSeconds, const RenderWatch& watch = {});

} // namespace tonvera::cli
