// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tonvera.Project.render: the whole run played by the emulator's signal
// model, the outputs handed over as numpy arrays.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <utility>
#include <vector>

#include "ProjectObject.h"
#include "model/MainView.h"

namespace tonvera::python {

struct Rendering {
    py::array_t<float> signal;
    py::array_t<bool> trigger;
    bool overflow = false;
    double rate = 0;
    bool cut = false;
    std::vector<std::pair<double, bool>> runs;
};

[[nodiscard]] inline Priority PriorityOf(bool variablesFirst)
{
    return variablesFirst ? Priority::Variablezuerst : Priority::Wiederzuerst;
}

// Plays the project at `rate` samples per second, at most `maxSeconds`.
[[nodiscard]] Rendering RenderProject(ProjectObject& po, double rate, const py::handle& cal, bool variablesFirst,
                                      double maxSeconds);

} // namespace tonvera::python
