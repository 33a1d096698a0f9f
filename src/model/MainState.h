// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The working state the main window owns, as one copyable value: the project
// loader parses into a copy and swaps it in only when the whole file read
// well. The global parameters are not here: they live in the main window's
// edits and check boxes and are read from there when used. The device is
// not here either; the run layer holds both.

#include <cstdint>

#include "model/EichTable.h"
#include "model/SinusRecord.h"
#include "model/VariTable.h"

namespace tonvera {

struct MainState {
    tonvera::SinusArray SinusArray{};
    std::int32_t SelectedSignal = -1;
    double TimeScale = 0.0;
    tonvera::VariTable VariTable;
    bool OverflowSeen = false;
    std::int32_t SavedVariPos = 0;
    tonvera::EichTable EichTable;
    std::int32_t RepeatsLeft = 0;
    bool TastHigh = false;
    std::int32_t VariPos = 1;
    // "Parameter überprüfen" of the options dialog; not saved.
    bool CheckParam = true;
    // The noise generator; 0 at start-up and never reseeded.
    std::uint32_t NoiseSeed = 0;

    friend bool operator==(const MainState&, const MainState&) = default;
};

} // namespace tonvera
