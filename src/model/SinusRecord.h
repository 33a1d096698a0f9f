// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One signal of the set and the set of eight. The parameters are kept as the
// texts the operator typed (after the range check); they get their values
// only when needed, at the current variable position.

#include <array>
#include <cstdint>
#include <string>

#include "model/ParamTable.h"
#include "model/WaveTable.h"

namespace tonvera {

inline constexpr int SignalSlots = 8;
inline constexpr std::int32_t FullScale = 32500;

// Signal type codes as the radio buttons of "Signaltyp" select them.
enum SignalType : std::int32_t {
    TypeNone = -1, // a freshly created signal before its sine table is filled
    TypeSinus = 0,
    TypeSinusEich = 1,
    TypeAM = 2,
    TypeRechteck = 3,
    TypeRauschen = 4,
    TypeMute = 5,
};

// The type's name as the radio buttons of "Signaltyp" show it ("" for none).
[[nodiscard]] const char* SignalTypeName(std::int32_t type);

// The texts of a new signal, by parameter index: the lower limits of the
// parameters.
inline constexpr std::array<const char*, 7> DefaultTexts = {"1", "0", "0", "0", "25", "0,002", "0,002"};

struct SinusRecord {
    std::string Freq;
    std::string Phase;
    std::string Ampl;
    std::string Start;
    std::string Dach;
    std::string RampUp;
    std::string RampDown;
    WaveTable Table;
    std::int32_t TabTyp = 0;
    double TabPara = 0.0;
    bool Used = false;

    // Puts the default texts in; table, type and type parameter stay.
    void SetDefaultTexts();

    // The text of parameter index 0..6 (Dach is index 4).
    [[nodiscard]] const std::string& Text(int paramIndex) const;
    std::string& Text(int paramIndex);

    friend bool operator==(const SinusRecord&, const SinusRecord&) = default;
};

// The eight records; the signals in use always occupy slots 0..n-1.
using SinusArray = std::array<SinusRecord, SignalSlots>;

// The number of records in use, wherever they lie.
[[nodiscard]] std::int32_t UsedCount(const SinusArray& records);

// The order in which a download evaluates a record's texts (parameter
// indices); their messages come in this order, in the window and in the
// tool's check alike.
inline constexpr std::array<int, 7> EvaluationOrder = {ParamFreq, ParamAmpl,   ParamPhase,   ParamStart,
                                                       ParamDach, ParamRampUp, ParamRampDown};

} // namespace tonvera
