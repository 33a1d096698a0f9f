// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a calibration leaves on record beside its table: when it was made,
// with what, against which reference, and every frequency with the level
// before and after the correction, as text and as a plot of both curves.

#include <optional>
#include <string>
#include <vector>

#include "files/PngFile.h"
#include "run/CalibrationAssistant.h"

namespace tonvera {

struct CalibrationRecord {
    std::string Date;   // local time, "2026-03-01 14:05:09"
    std::string Source; // "Schallpegelmesser", "Messmikrofon plughw:1,0"
    // The level in dBFS that 94 dB SPL gives at the microphone.
    std::optional<double> MicSensitivity;
    std::string Reference; // the calibrator's tone, when one was measured
    std::string CalFile;
    CalibrationSettings Settings;
    std::vector<CalibrationStep> Steps;
};

// The assistant's steps and settings, dated now.
[[nodiscard]] CalibrationRecord MakeCalibrationRecord(const CalibrationAssistant& assistant, std::string source,
                                                      std::optional<double> micSensitivity, std::string reference);

[[nodiscard]] std::string CalibrationRecordText(const CalibrationRecord& record);
// Level over frequency (logarithmic): the target with its tolerance band,
// the levels measured before (red) and after (blue) the correction.
[[nodiscard]] RgbImage CalibrationPlot(const CalibrationRecord& record, int width = 640, int height = 400);

struct RecordFiles {
    std::string Text; // FILE-protokoll.txt
    std::string Plot; // FILE-kurven.png
};
[[nodiscard]] RecordFiles RecordFilesBeside(const std::string& calFile);
// Both files, each written atomically; returns their names.
RecordFiles WriteCalibrationRecord(const CalibrationRecord& record);

} // namespace tonvera
