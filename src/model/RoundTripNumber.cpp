// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/RoundTripNumber.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace tonvera {

std::string FormatRoundTrip(double value, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0)
        return "0";

    // Shortest round-trip digits in scientific form, e.g. "-1.25e+01".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = sci.find('e');
    bool negative = false;
    std::string digits;
    for (std::size_t i = 0; i < e; ++i) {
        if (sci[i] == '-')
            negative = true;
        else if (sci[i] != '.')
            digits.push_back(sci[i]);
    }
    int exponent = 0;
    const char* expFirst = sci.data() + e + 1;
    if (*expFirst == '+')
        ++expFirst;
    std::from_chars(expFirst, sci.data() + sci.size(), exponent);

    std::string out;
    if (negative)
        out.push_back('-');
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0";
            out.push_back(separator);
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const auto intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out.append(digits, 0, intDigits);
                out.push_back(separator);
                out.append(digits, intDigits, std::string::npos);
            }
        }
        return out;
    }
    out.push_back(digits[0]);
    if (digits.size() > 1) {
        out.push_back(separator);
        out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    out += std::to_string(exponent);
    return out;
}

} // namespace tonvera
