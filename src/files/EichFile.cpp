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
    return "Datei " + fileName + " enthält mehr als " + std::to_string(EichTable::MaxPoints) + " Kalibrierpunkte";
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

void ParseEichFile(std::string_view fileBytes, char separator, const std::string& fileName, EichTable& table)
{
    const std::vector<std::string_view> lines = SplitLines(fileBytes);
    if (lines.size() > static_cast<std::size_t>(EichTable::MaxPoints))
        throw AbortError(TooManyPointsText(fileName));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t slash = line.find('/');
        const std::string_view freq = slash == std::string_view::npos ? std::string_view() : line.substr(0, slash);
        const std::string_view corr = slash == std::string_view::npos ? line : line.substr(slash + 1);
        table.frequencies[i] = EichNumber(freq, separator);
        table.corrections[i] = EichNumber(corr, separator);
    }
    table.count = static_cast<std::int32_t>(lines.size());
}

} // namespace tonvera
