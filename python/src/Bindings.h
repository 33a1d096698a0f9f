// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts of the module that are bound in files of their own.

#include <pybind11/pybind11.h>

namespace tonvera::python {

// tonvera.Project, Signal, Variables, Simulation and SimulatedPosition.
void BindProject(pybind11::module_& m);
// tonvera.calibrate.
void BindCalibrate(pybind11::module_& m);

} // namespace tonvera::python
