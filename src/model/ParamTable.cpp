// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ParamTable.h"

#include <cmath>

#include "model/Numbers.h"

namespace tonvera {

double SnapToStep(ParamIndex index, double value)
{
    const double step = Params.at(static_cast<std::size_t>(index)).step;
    const double steps = rnd(value / step);
    return std::isfinite(steps) ? steps * step : value;
}

} // namespace tonvera
