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

inline constexpr std::array<std::string_view, ParamCount> ParamNames = {
    "Frequenz",    "Phase",      "Dämpfung",       "Start",       "Dachzeit",      "Anstiegszeit",
    "Abfallzeit",  "Skalierung", "Schlußdämpfung", "Signaldauer", "Start Trigger", "Stop Trigger",
};

inline constexpr std::array<std::string_view, ParamCount> ParamUnits = {
    "Hz", "Grad", "dB", "ms", "ms", "ms", "ms", "(0=Aus, 1=100%, 2=50%, 3=25%, ...)", "dB", "ms", "ms", "ms",
};

inline constexpr std::array<double, ParamCount> ParamMin = {
    1, 0, 0, 0, 25, 0.002, 0.002, 0, 0, 50, 0, 0,
};

inline constexpr std::array<double, ParamCount> ParamMax = {
    100000, 360, 40, 150000, 150000, 250, 250, 7, 81, 150000, 150000, 150000,
};

inline constexpr std::array<double, ParamCount> ParamStep = {
    1, 0.001, 0.01, 0.01, 0.01, 0.001, 0.001, 1, 0.75, 0.01, 0.01, 0.01,
};

} // namespace tonvera
