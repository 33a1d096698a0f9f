// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Schallpegelmesser": the operator reads the meter and types the level.
// The window asks in a dialog, the tool on the terminal; the assistant
// sees only a LevelSource.

#include <optional>
#include <string>

#include "model/Errors.h"
#include "run/CalibrationAssistant.h"
#include "run/LevelSource.h"

namespace tonvera {

inline constexpr const char* MeterSourceName = "Schallpegelmesser";
inline constexpr const char* MicSourceName = "Messmikrofon";

class MeterReadings {
public:
    virtual ~MeterReadings() = default;
    // The level the meter shows for the tone of `hz` in dB SPL, or nothing
    // when the operator breaks off.
    virtual std::optional<double> reading(double hz) = 0;
};

// The question both front ends put.
[[nodiscard]] inline std::string MeterPrompt(double hz)
{
    return "Anzeige des Schallpegelmessers bei " + std::to_string(static_cast<long long>(hz)) + " Hz in dB SPL: ";
}

class MeterLevelSource : public LevelSource {
public:
    explicit MeterLevelSource(MeterReadings& readings) : Readings(readings) {}
    double measure(double hz, double) override
    {
        const auto level = Readings.reading(hz);
        if (!level)
            throw AbortError(CalibrationStoppedText);
        return *level;
    }

private:
    MeterReadings& Readings;
};

} // namespace tonvera
