// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calibration file (.cal): one line "frequency/correction" per point,
// whole hertz and hundredths of a decibel, always with ".", CR LF after
// every line, nothing else.

#include <string>
#include <string_view>

#include "files/LineReader.h"
#include "model/EichTable.h"

namespace tonvera {

// The file's bytes for the points 0..count-1.
[[nodiscard]] std::string EichFileBytes(const EichTable& table);

// The number of a calibration line part: the first `separator` counts as a
// point, then the longest leading number (blanks, sign, digits, point,
// fraction, exponent) is taken. Never fails: a text without a number, or one
// whose number is too large for a double, gives 0.
[[nodiscard]] double EichNumber(std::string_view text, char separator);

// Puts the points of a file into `table` (count and points; entries beyond
// the new count stay as they were). Throws AbortError naming the file, and
// leaves the table untouched, when the file has more points than the table
// holds: at the first line too many, so that a huge file is not read to its
// end. The reader's own refusals (FileError) leave the table untouched too.
void ReadEichFile(LineReader& lines, char separator, EichTable& table);
// The same for bytes in memory that `fileName` names.
void ParseEichFile(std::string_view fileBytes, char separator, const std::string& fileName, EichTable& table);

// "Datei %s enthält mehr als 501 Kalibrierpunkte"
[[nodiscard]] std::string TooManyPointsText(const std::string& fileName);
// "Kann %s Kalibrierung nicht öffnen!", for a file that does not exist.
[[nodiscard]] std::string MissingEichFileText(const std::string& fileName);

} // namespace tonvera
