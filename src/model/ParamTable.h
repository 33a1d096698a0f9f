// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The twelve parameters shared by the range check, the labels beside the
// edits and the final-attenuation handling. Index 7 has no edit field; its
// row is kept so that the indices stay those of the project's history.

#include <array>
#include <string_view>

namespace tonvera {

inline constexpr int ParamCount = 12;

enum ParamIndex : int {
    ParamFreq = 0,
    ParamPhase = 1,
    ParamAmpl = 2,
    ParamStart = 3,
    ParamDach = 4,
    ParamRampUp = 5,
    ParamRampDown = 6,
    ParamSkalierung = 7,
    ParamEndDamp = 8,
    ParamSignaldauer = 9,
    ParamTriggerstart = 10,
    ParamTriggerstop = 11,
};

// One row per parameter: the name the messages use, the unit the labels
// show, the range the check allows and the step a value is rounded to.
struct ParamSpec {
    std::string_view name;
    std::string_view unit;
    double min;
    double max;
    double step;
};

inline constexpr std::array<ParamSpec, ParamCount> Params = {{
    {"Frequenz", "Hz", 1, 100000, 1},
    {"Phase", "Grad", 0, 360, 0.001},
    {"Dämpfung", "dB", 0, 40, 0.01},
    {"Start", "ms", 0, 150000, 0.01},
    {"Dachzeit", "ms", 25, 150000, 0.01},
    {"Anstiegszeit", "ms", 0.002, 250, 0.001},
    {"Abfallzeit", "ms", 0.002, 250, 0.001},
    {"Skalierung", "(0=Aus, 1=100%, 2=50%, 3=25%, ...)", 0, 7, 1},
    {"Schlußdämpfung", "dB", 0, 81, 0.75},
    {"Signaldauer", "ms", 50, 150000, 0.01},
    {"Start Trigger", "ms", 0, 150000, 0.01},
    {"Stop Trigger", "ms", 0, 150000, 0.01},
}};

// The value on the grid of its parameter's step, ties to even: what the
// device is sent and what the check and the edits show. A value so large
// that the division by the step overflows stays as it is; the step is far
// below its resolution anyway.
[[nodiscard]] double SnapToStep(ParamIndex index, double value);

} // namespace tonvera
