// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tonvera.Calibration: the calibration table with the program's reader and
// writer.

#include <string>
#include <utility>
#include <vector>

#include "model/EichTable.h"

namespace tonvera::python {

struct Calibration {
    EichTable Table;

    // A missing file: "Kann <name> Kalibrierung nicht öffnen!" as an error.
    // sha256: when given, the SHA-256 of the file's bytes.
    static Calibration load(const std::string& path, std::string* sha256 = nullptr);
    void save(const std::string& path) const;
    std::vector<std::pair<double, double>> points() const;
    void setPoints(const std::vector<std::pair<double, double>>& points);
    double correction(double frequency) const { return EichCorrection(Table, frequency); }
};

} // namespace tonvera::python
