// SPDX-License-Identifier: GPL-3.0-or-later
#include "Calibration.h"
#include "Paths.h"

#include <cmath>
#include <filesystem>

#include "files/EichFile.h"
#include "files/LineReader.h"
#include "files/TextFile.h"
#include "model/Errors.h"

namespace tonvera::python {

Calibration Calibration::load(const std::string& path, std::string* sha256)
{
    return ReadingFile(path, [&] {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            throw FileError(MissingEichFileText(path));
        Calibration c;
        LineReader lines = LineReader::Open(path, false);
        ReadEichFile(lines, ',', c.Table);
        if (sha256)
            *sha256 = lines.sha256();
        return c;
    });
}

void Calibration::save(const std::string& path) const
{
    WritingFile(path, [&] { WriteFileAtomically(path, EichFileBytes(Table)); });
}

std::vector<std::pair<double, double>> Calibration::points() const
{
    std::vector<std::pair<double, double>> out;
    for (int i = 0; i < Table.count && i < EichTable::MaxPoints; ++i)
        out.emplace_back(Table.frequencies[static_cast<std::size_t>(i)],
                         Table.corrections[static_cast<std::size_t>(i)]);
    return out;
}

void Calibration::setPoints(const std::vector<std::pair<double, double>>& points)
{
    if (points.size() > static_cast<std::size_t>(EichTable::MaxPoints))
        throw RangeError();
    for (const auto& [f, c] : points)
        if (!std::isfinite(f) || !std::isfinite(c))
            throw RangeError();
    EichTable t;
    t.count = static_cast<std::int32_t>(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        t.frequencies[i] = points[i].first;
        t.corrections[i] = points[i].second;
    }
    Table = t;
}

} // namespace tonvera::python
