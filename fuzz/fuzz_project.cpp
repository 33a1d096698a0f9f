// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a project file. Reading must neither crash nor read
// outside any bound nor take more than linear time; a conversion or range
// error is the expected outcome for many inputs. What a read produced must
// survive a save and a second read unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "files/ProjectFile.h"
#include "model/Errors.h"

namespace {

tonvera::Project base()
{
    tonvera::Project p;
    for (int b = 0; b < tonvera::CheckBoxCount; ++b)
        p.Globals.Checks[static_cast<std::size_t>(b)] = b >= 3;
    p.Globals.AnzWieder = "1";
    tonvera::ResetProject(p);
    return p;
}

bool sameProject(const tonvera::Project& a, const tonvera::Project& b)
{
    return a.State.SinusArray == b.State.SinusArray && a.State.SelectedSignal == b.State.SelectedSignal &&
           a.State.VariTable == b.State.VariTable && a.State.TastHigh == b.State.TastHigh && a.Globals == b.Globals;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One project for all runs: a fresh megabyte of tables per run would
    // cost more than the parse. The tables a run leaves behind are as good a
    // start as any, since the reader must cope with every state.
    static const tonvera::Project start = base();
    static tonvera::Project p = start;
    static tonvera::Project again = start;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    tonvera::ResetProject(p);
    try {
        (void)tonvera::ParseProject(bytes, p, ',');
    } catch (const tonvera::AbortError&) {
        return 0;
    }
    tonvera::ClampSelectedSignal(p.State);

    // The round trip writes and reads 1.5 MB; doing it for every input would
    // slow the search down a hundredfold, so one input in 128 takes it.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    if (hash % 128 != 0)
        return 0;
    try {
        tonvera::CheckProjectTexts(p.State, p.Globals);
    } catch (const tonvera::AbortError& e) {
        // Only texts a read cannot produce are refused.
        std::fprintf(stderr, "refused after a read: %s\n", e.what());
        __builtin_trap();
    }
    std::vector<std::string> lines;
    tonvera::WriteProject(p.State, p.Globals, lines, ',');
    const std::string file = tonvera::ProjectFileBytes(lines);
    // Everything the file holds is written, so a read onto another state
    // must give the same project.
    again = start;
    if (!tonvera::ParseProject(file, again, ','))
        __builtin_trap(); // a written file is always a project
    tonvera::ClampSelectedSignal(again.State);
    if (!sameProject(p, again))
        __builtin_trap();
    return 0;
}
