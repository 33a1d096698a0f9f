// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectObject.h"

#include <algorithm>
#include <filesystem>

#include "Calibration.h"
#include "Paths.h"
#include "files/EichFile.h"
#include "files/TextFile.h"
#include "model/Errors.h"

namespace tonvera::python {

namespace {

std::int16_t saturated(std::int32_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

} // namespace

const Project& ProjectObject::value()
{
    for (std::size_t i = 0; i < Tables.size(); ++i) {
        if (!Tables[i])
            continue;
        WaveTable& table = P.State.SinusArray[i].Table;
        const auto a = Tables[i]->unchecked<1>();
        // Only what the script changed: a value beyond 16 bits that came
        // from a file stays as it was read.
        for (std::size_t k = 0; k < WaveTable::Size; ++k) {
            const auto s = static_cast<py::ssize_t>(k);
            if (a(s) != saturated(table[k]))
                table[k] = a(s);
        }
    }
    return P;
}

py::array_t<std::int16_t> ProjectObject::table(int slot)
{
    auto& a = Tables[static_cast<std::size_t>(slot)];
    if (!a) {
        a = py::array_t<std::int16_t>(static_cast<py::ssize_t>(WaveTable::Size));
        tableFilled(slot);
    }
    return *a;
}

void ProjectObject::tableFilled(int slot)
{
    auto& a = Tables[static_cast<std::size_t>(slot)];
    if (!a)
        return;
    const WaveTable& table = P.State.SinusArray[static_cast<std::size_t>(slot)].Table;
    auto m = a->mutable_unchecked<1>();
    for (std::size_t k = 0; k < WaveTable::Size; ++k)
        m(static_cast<py::ssize_t>(k)) = saturated(table[k]);
}

void ProjectObject::setTable(int slot, const py::handle& values)
{
    const auto wide = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(values);
    if (!wide || wide.ndim() != 1 || wide.shape(0) != static_cast<py::ssize_t>(WaveTable::Size))
        throw py::value_error("a table holds 32768 values");
    const auto w = wide.unchecked<1>();
    for (py::ssize_t k = 0; k < w.shape(0); ++k)
        if (w(k) < INT16_MIN || w(k) > INT16_MAX)
            throw RangeError();
    // Into the array the script may hold, so it and the record agree.
    py::array_t<std::int16_t> shown = table(slot);
    auto m = shown.mutable_unchecked<1>();
    WaveTable& table = P.State.SinusArray[static_cast<std::size_t>(slot)].Table;
    for (py::ssize_t k = 0; k < w.shape(0); ++k) {
        m(k) = static_cast<std::int16_t>(w(k));
        table[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(w(k));
    }
}

EichTable CalibrationFrom(const py::handle& cal, std::optional<FileEvent>* file)
{
    if (cal.is_none())
        return EichTable{};
    if (py::isinstance<Calibration>(cal))
        return cal.cast<const Calibration&>().Table;
    const std::string path = PathOf(cal);
    std::string sha256;
    EichTable table = Calibration::load(path, file ? &sha256 : nullptr).Table;
    if (file)
        *file = FileEvent{FileEvent::Kind::Calibration, FileEvent::Action::Loaded, path, sha256};
    return table;
}

} // namespace tonvera::python
