// SPDX-License-Identifier: GPL-3.0-or-later
#include "OrderArgs.h"

#include <limits>
#include <string>

#include "model/Errors.h"

namespace py = pybind11;

namespace tonvera::python {

namespace {

std::string ListText(const py::handle& order)
{
    std::string text;
    for (const py::handle item : order) {
        if (py::isinstance<py::bool_>(item) || !py::isinstance<py::int_>(item))
            throw py::value_error("order: die Liste enthält '" + std::string(py::str(item)) + "', keine ganze Zahl");
        text += (text.empty() ? "" : " ") + std::string(py::str(item));
    }
    if (text.empty())
        throw py::value_error("order: " + std::string("Die Liste der Reihenfolge ist leer"));
    return text;
}

} // namespace

void SetOrder(OrderSetting& setting, const py::handle& order, const py::handle& seed)
{
    if (!order.is_none()) {
        if (py::isinstance<py::str>(order)) {
            const std::string word = order.cast<std::string>();
            if (word == "ascending")
                setting.Kind = OrderKind::Ascending;
            else if (word == "random")
                setting.Kind = OrderKind::Random;
            else
                throw py::value_error("order: '" + QuotedInput(word) +
                                      "' ist keine Reihenfolge (\"ascending\", \"random\" oder eine Liste)");
        } else if (py::isinstance<py::sequence>(order)) {
            setting.List = ListText(order);
            setting.Kind = OrderKind::List;
        } else {
            throw py::value_error("order: \"ascending\", \"random\" oder eine Liste von Positionen");
        }
    }
    if (!seed.is_none()) {
        const std::string text =
            py::isinstance<py::bool_>(seed) || !py::isinstance<py::int_>(seed) ? "" : std::string(py::str(seed));
        try {
            setting.Seed = std::to_string(ParseSeed(text));
        } catch (const AbortError&) {
            throw py::value_error("seed: '" + std::string(py::str(seed)) + "' ist kein gültiger Startwert");
        }
    }
}

py::object OrderObject(const OrderSetting& setting)
{
    switch (setting.Kind) {
    case OrderKind::Ascending: return py::str("ascending");
    case OrderKind::Random: return py::str("random");
    case OrderKind::List: break;
    }
    try {
        py::list out;
        for (std::int32_t p : ParseOrderList(setting.List, std::numeric_limits<std::int32_t>::max()))
            out.append(p);
        return out;
    } catch (const AbortError&) {
        return py::str(setting.List);
    }
}

py::object SeedObject(const OrderSetting& setting)
{
    try {
        return py::int_(ParseSeed(setting.Seed));
    } catch (const AbortError&) {
        return py::none();
    }
}

} // namespace tonvera::python
