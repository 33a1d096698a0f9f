// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The order of the positions as a script names it: "ascending", "random",
// or a list of positions [3, 1, 4, 2]; the seed as a whole number or None.

#include <pybind11/pybind11.h>

#include "model/PositionOrder.h"

namespace tonvera::python {

// Puts `order` (None: unchanged) and `seed` (None: unchanged) into the
// setting. ValueError for an order that is none of these and for a seed
// outside 0 .. 2^64-1; whether the list's entries are positions is checked
// when the run starts.
void SetOrder(OrderSetting& setting, const pybind11::handle& order, const pybind11::handle& seed);

// "ascending", "random" or the list as a list of ints (its text when that
// does not read as positions).
[[nodiscard]] pybind11::object OrderObject(const OrderSetting& setting);
// The typed seed as an int, or None when it is drawn at Start.
[[nodiscard]] pybind11::object SeedObject(const OrderSetting& setting);

} // namespace tonvera::python
