// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/EichFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera {

std::string TooManyPointsText(const std::string& fileName)
{
    return "Datei " + QuotedName(fileName) + " enthält mehr als " + std::to_string(EichTable::MaxPoints) +
           " Kalibrierpunkte";
}

std::string MissingEichFileText(const std::string& fileName)
{
    return "Kann " + QuotedName(fileName) + " Kalibrierung nicht öffnen!";
}

std::string EichFileBytes(const EichTable& table)
{
    const int count = std::clamp<int>(table.count, 0, EichTable::MaxPoints);
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 20);
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        out += FormatFixed(table.frequencies[k], 0, '.');
        out += '/';
        out += FormatFixed(table.corrections[k], 2, '.');
        out += "\r\n";
    }
    return out;
}

double EichNumber(std::string_view text, char separator)
{
    std::string t(text);
    if (const std::size_t s = t.find(separator); s != std::string::npos)
        t[s] = '.';
    std::size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos)
        return 0.0;
    if (t[i] == '+') {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            return 0.0;
    }
    // from_chars takes the longest number at the start and ignores the rest;
    // it also knows "inf" and "nan", which a calibration value never is.
    double v = 0.0;
    const char* first = t.data() + i;
    const char* last = t.data() + t.size();
    if (first != last && (*first == 'i' || *first == 'I' || *first == 'n' || *first == 'N'))
        return 0.0;
    if (first + 1 < last && *first == '-' && (first[1] == 'i' || first[1] == 'I' || first[1] == 'n' || first[1] == 'N'))
        return 0.0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(v))
        return 0.0;
    return v;
}

void ReadEichFile(LineReader& lines, char separator, EichTable& table)
{
    // The points go into a copy first: the table stays as it was when the
    // file turns out to hold too many.
    EichTable read = table;
    std::size_t count = 0;
    std::string_view line;
    while (lines.next(line)) {
        if (count == static_cast<std::size_t>(EichTable::MaxPoints))
            throw AbortError(TooManyPointsText(lines.fileName()));
        const std::size_t slash = line.find('/');
        const std::string_view freq = slash == std::string_view::npos ? std::string_view() : line.substr(0, slash);
        const std::string_view corr = slash == std::string_view::npos ? line : line.substr(slash + 1);
        read.frequencies[count] = EichNumber(freq, separator);
        read.corrections[count] = EichNumber(corr, separator);
        ++count;
    }
    read.count = static_cast<std::int32_t>(count);
    table = read;
}

void ParseEichFile(std::string_view fileBytes, char separator, const std::string& fileName, EichTable& table)
{
    LineReader lines(fileBytes, fileName);
    ReadEichFile(lines, separator, table);
}

} // namespace tonvera
