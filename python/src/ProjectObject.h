// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state behind tonvera.Project: a project value as a file holds it, and
// the int16 arrays that scripts see as the signals' tables. The core keeps
// a table as 32-bit values; the arrays are written back into the records
// before the core reads them (save, check, simulate, render, a download).

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "files/FileEvent.h"
#include "files/ProjectFile.h"
#include "model/EichTable.h"

namespace tonvera::python {

namespace py = pybind11;

class ProjectObject {
public:
    explicit ProjectObject(Project p) : P(std::move(p)) {}

    // The records with the arrays' values written back.
    const Project& value();
    Project& mutableValue() { return P; }

    // The table of a slot as an int16 array that stays tied to the record.
    py::array_t<std::int16_t> table(int slot);
    void setTable(int slot, const py::handle& values);
    // After the core filled a record's table: the array shows it.
    void tableFilled(int slot);

private:
    Project P;
    std::array<std::optional<py::array_t<std::int16_t>>, 8> Tables;
};

// A calibration given as a Calibration object, a path, or nothing. file:
// when given and the calibration is a file, that file with its SHA-256.
EichTable CalibrationFrom(const py::handle& cal, std::optional<FileEvent>* file = nullptr);

} // namespace tonvera::python
