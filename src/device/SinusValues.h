// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One signal record in numbers, as the download sends it: the parameter
// texts evaluated at one variable position, the type copied, the table
// referred to in place (a step to the next position would otherwise copy
// eight tables nobody reads). Built afresh for every download and not kept.

#include <cstdint>

#include "model/WaveTable.h"

namespace tonvera {

struct SinusValues {
    double Freq = 0.0;                // Hz
    double Phase = 0.0;               // degrees
    double Ampl = 0.0;                // dB of attenuation
    double Start = 0.0;               // ms
    double Dach = 0.0;                // ms, the plateau
    double RampUp = 0.0;              // ms
    double RampDown = 0.0;            // ms
    const WaveTable* Table = nullptr; // the record's table
    std::int32_t TabTyp = 0;
    double TabPara = 0.0;
    bool Used = false;

    // The value of parameter index 0..6, as SinusRecord::Text numbers them.
    [[nodiscard]] double& Param(int paramIndex)
    {
        static constexpr double SinusValues::*Fields[] = {
            &SinusValues::Freq, &SinusValues::Phase,  &SinusValues::Ampl,    &SinusValues::Start,
            &SinusValues::Dach, &SinusValues::RampUp, &SinusValues::RampDown};
        return this->*Fields[paramIndex];
    }
};

} // namespace tonvera
