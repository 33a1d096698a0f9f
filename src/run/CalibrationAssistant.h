// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measuring the calibration table instead of typing it: for each frequency
// a calibrated sine plays as a steady tone through the device, its level is
// read from a LevelSource, and the correction is the attenuation that must
// be added so that the device gives the level the requested attenuation
// promises. A check pass then plays every frequency again through the new
// table; only a table whose every remaining deviation lies within the
// tolerance is offered for saving.
//
// The tone is played as the window plays any signal: the main form is set
// up with that one signal, endless, and started and stopped with the
// window's own Start and Stop, so the run's events tell what was played.
// The operator's signal set, globals and table are put back after every
// step.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/Pause.h"
#include "model/EichTable.h"
#include "run/LevelSource.h"
#include "run/MainCore.h"

namespace tonvera {

inline constexpr const char* CalibrationStoppedText = "Kalibrierung abgebrochen";

enum class FrequencyPreset {
    Octaves,      // 125 Hz .. 8 kHz
    ThirdOctaves, // 100 Hz .. 16 kHz
    Table,        // the points of the current table
};

// The frequencies of a preset; for Table the distinct frequencies of
// `current` above 0 Hz, ascending.
[[nodiscard]] std::vector<double> PresetFrequencies(FrequencyPreset preset, const EichTable& current = {});

struct CalibrationSettings {
    double LevelAt0dB = 100; // "0 dB entspricht 100 dB SPL"
    double Attenuation = 30; // the attenuation every step is played at
    int Channel = 0;         // the signal slot that plays the tone
    std::vector<double> Frequencies = PresetFrequencies(FrequencyPreset::Octaves);
    double MaxLevel = 90;      // dB SPL; a step expected above it is never played
    double Tolerance = 1;      // dB either side, for the check pass
    double MeasureSeconds = 2; // the time the source measures over
    double RampMs = 50;        // rise time of the tone, waited before measuring
};

// Refuses settings that cannot be played (AbortError with the reason).
void CheckCalibrationSettings(const CalibrationSettings& settings);

struct CalibrationStep {
    double Frequency = 0;
    bool Measured = false;
    double Before = 0;     // level without correction, as measured
    double Correction = 0; // the attenuation correction found
    bool Checked = false;
    double After = 0; // level measured through the new table

    // The target: the level the requested attenuation promises.
    double Target = 0;
    [[nodiscard]] double Deviation() const { return After - Target; }
};

class CalibrationAssistant {
public:
    // The core's line and form are used; `wait` waits the ramp. Both must
    // outlive the assistant.
    CalibrationAssistant(MainCore& core, LevelSource& source, Pause& wait, CalibrationSettings settings);

    [[nodiscard]] const CalibrationSettings& settings() const { return Settings; }
    [[nodiscard]] const std::vector<CalibrationStep>& steps() const { return Steps; }

    // The level a step will give when it plays through `table`: the level
    // at 0 dB less the attenuation that will be sent.
    [[nodiscard]] double ExpectedLevel(double hz, const EichTable& table) const;

    // Measures step i again, through the table found so far: its
    // correction is the one that table gives there plus the deviation now
    // measured, so a step measured again converges instead of starting
    // afresh.
    void Measure(std::size_t i);
    // Measures every step not measured yet through the table of the steps
    // measured before (none the first time: each correction is then the
    // deviation of its reading).
    // `after` hears of each step measured.
    void MeasureAll(const std::function<void(std::size_t)>& after = {});
    // Plays step i through the new table and keeps the level it gives.
    void Check(std::size_t i);
    void CheckAll();

    // The table found: one point per measured step, ascending, with whole
    // hertz and hundredths of a decibel as the calibration file keeps them,
    // so the check pass hears what the file will hold.
    [[nodiscard]] EichTable Table() const;
    // Every step measured and checked, each within the tolerance.
    [[nodiscard]] bool Passed() const;
    // Steps checked and outside the tolerance.
    [[nodiscard]] std::vector<std::size_t> Failed() const;

    // The table found into the main window's table, then saved as
    // "Kalibrierdaten speichern" saves it. Refused (AbortError) unless
    // Passed().
    void Adopt(const std::string& calFile);

    // Stop, Esc, the close box: the device stops at once; a step in
    // progress ends with CalibrationStoppedText. Safe to call from inside
    // the source's wait (a dialog's event loop).
    void RequestStop();
    [[nodiscard]] bool StopRequested() const { return Stopping; }
    // Clears a stop for the next pass.
    void Resume() { Stopping = false; }

    // The level measured for one step, played through `table` (exposed for
    // the front ends' reference tone and for tests).
    double Play(double hz, const EichTable& table);

private:
    void MeasureThrough(std::size_t i, const EichTable& table);
    void ThrowIfStopped() const;

    MainCore& Core;
    LevelSource& Source;
    Pause& Wait;
    CalibrationSettings Settings;
    std::vector<CalibrationStep> Steps;
    std::atomic<bool> Stopping = false;
};

} // namespace tonvera
