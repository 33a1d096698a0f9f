// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "model/Errors.h"

namespace tonvera {

namespace {
// Ties to even worked out explicitly, so a rounding mode changed elsewhere in
// the process (a driver, a library) cannot change what goes on the wire.
template <typename T>
T roundTiesToEven(T x)
{
    if (!std::isfinite(x))
        return x;
    const T f = std::floor(x);
    const T diff = x - f;
    if (diff < T(0.5))
        return f;
    if (diff > T(0.5))
        return f + 1;
    return std::fmod(f, T(2)) == 0 ? f : f + 1;
}
} // namespace

double rnd(double x) { return roundTiesToEven(x); }
long double rnd(long double x) { return roundTiesToEven(x); }

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the number syntax and hands a normalised copy ("-12.5e-3") to
// from_chars. sepA and sepB are the characters accepted as the one decimal
// separator (sepB 0 when only one is accepted). Short texts are normalised
// on the stack so that reading a plain number never allocates.
ParsedNumber parseCore(std::string_view t, char sepA, char sepB)
{
    ParsedNumber result;
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n && t[i] == ' ')
        ++i;

    char small[128];
    std::string large;
    const bool useLarge = n + 4 > sizeof(small);
    if (useLarge)
        large.resize(n + 4);
    char* out = useLarge ? large.data() : small;
    std::size_t len = 0;
    // An optional sign (only a minus is copied), then a run of digits.
    auto sign = [&] {
        if (i < n && (t[i] == '+' || t[i] == '-')) {
            if (t[i] == '-')
                out[len++] = '-';
            ++i;
        }
    };
    auto digits = [&] {
        std::size_t count = 0;
        for (; i < n && isDigit(t[i]); ++count)
            out[len++] = t[i++];
        return count;
    };

    sign();
    std::size_t mantissaDigits = digits();
    if (i < n && (t[i] == sepA || (sepB != 0 && t[i] == sepB))) {
        out[len++] = '.';
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return result;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        out[len++] = 'e';
        ++i;
        sign();
        if (digits() == 0)
            return result;
    }
    if (i != n)
        return result;

    double value = 0.0;
    const char* first = out;
    // from_chars rejects "-.5"-style text only through its leading "."; it
    // accepts ".5" and "1." in the general format, which is what we want.
    auto [ptr, ec] = std::from_chars(first, first + len, value, std::chars_format::general);
    if (ec != std::errc() || ptr != first + len || !std::isfinite(value))
        return result;
    result.valid = true;
    result.value = value;
    return result;
}

} // namespace

ParsedNumber ParseNumber(std::string_view text) { return parseCore(text, ',', '.'); }

ParsedNumber TryConvertNumber(std::string_view text, char separator) { return parseCore(text, separator, 0); }

double ConvertNumber(std::string_view text, char separator)
{
    ParsedNumber p = parseCore(text, separator, 0);
    if (!p.valid)
        throw ConvertError(std::string(text));
    return p.value;
}

namespace {

// A finite non-zero value as decimal digits d0.d1d2... times 10^exponent.
// Numbers are written from 18 significant digits, rounded half away from
// zero at the last digit kept, so an exact half (12.5 to two digits) goes up
// as it always did in the program's files.
struct Decimal {
    bool negative = false;
    std::string digits; // no leading zero; empty means zero
    int exponent = 0;
};

Decimal toDecimal(double value)
{
    Decimal d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::scientific, 17);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    std::size_t pos = 0;
    if (sci[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    while (pos < sci.size() && sci[pos] != 'e') {
        if (sci[pos] != '.')
            d.digits.push_back(sci[pos]);
        ++pos;
    }
    int exponent = 0;
    std::from_chars(sci.data() + pos + 1 + (sci[pos + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    d.exponent = exponent;
    return d;
}

// Keeps `keep` significant digits, rounding half away from zero; strips
// trailing zeros. keep <= 0 may round up to a single 1 one place higher, or
// down to zero.
void roundDigits(Decimal& d, int keep)
{
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    if (static_cast<std::size_t>(keep) < d.digits.size()) {
        const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
        d.digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
                d.digits[static_cast<std::size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) {
                ++d.digits[static_cast<std::size_t>(i)];
            } else {
                d.digits.insert(d.digits.begin(), '1');
                ++d.exponent;
            }
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

std::string nonFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Fixed notation of d with at least `minDecimals` decimals.
std::string layoutFixed(const Decimal& d, int minDecimals, char separator)
{
    std::string intPart;
    std::string frac;
    if (d.digits.empty()) {
        intPart = "0";
    } else if (d.exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(d.exponent) + 1;
        if (d.digits.size() <= intDigits) {
            intPart = d.digits + std::string(intDigits - d.digits.size(), '0');
        } else {
            intPart = d.digits.substr(0, intDigits);
            frac = d.digits.substr(intDigits);
        }
    } else {
        intPart = "0";
        frac = std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }
    if (frac.size() < static_cast<std::size_t>(minDecimals))
        frac.append(static_cast<std::size_t>(minDecimals) - frac.size(), '0');
    std::string out;
    if (d.negative && !d.digits.empty())
        out.push_back('-');
    out += intPart;
    if (!frac.empty()) {
        out.push_back(separator);
        out += frac;
    }
    return out;
}

enum class Use { Parameter, Shown };

std::string formatGeneral(double value, int digits, char separator, Use use)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (value == 0.0)
        return "0";
    digits = std::clamp(digits, 1, 18);

    Decimal d = toDecimal(value);
    roundDigits(d, digits);

    const bool scientific = d.exponent >= digits || (use == Use::Shown && d.exponent < -5);
    if (!scientific)
        return layoutFixed(d, 0, separator);

    std::string out;
    if (d.negative)
        out.push_back('-');
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
        out.push_back(separator);
        out.append(d.digits, 1, std::string::npos);
    }
    out.push_back('E');
    if (use == Use::Shown) {
        const std::string e = std::to_string(std::abs(d.exponent));
        out.push_back(d.exponent < 0 ? '-' : '+');
        out.append(e.size() < 4 ? 4 - e.size() : 0, '0');
        out += e;
    } else {
        out += std::to_string(d.exponent);
    }
    return out;
}

} // namespace

std::string FormatGeneral(double value, int digits, char separator)
{
    return formatGeneral(value, digits, separator, Use::Parameter);
}

std::string FormatGeneralShown(double value, int digits, char separator)
{
    return formatGeneral(value, digits, separator, Use::Shown);
}

std::string FormatFixed(double value, int decimals, char separator)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    decimals = std::clamp(decimals, 0, 30);
    if (value == 0.0)
        return layoutFixed(Decimal{}, decimals, separator);
    Decimal d = toDecimal(value);
    roundDigits(d, d.exponent + 1 + decimals);
    // A negative value keeps its sign also when it rounds to zero ("-0.00"):
    // the calibration file and editor show a measured correction's side.
    const std::string text = layoutFixed(d, decimals, separator);
    return d.negative && d.digits.empty() ? "-" + text : text;
}

std::string IntegerText(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const double r = rnd(value);
    if (r == 0.0)
        return "0";
    Decimal d = toDecimal(r);
    roundDigits(d, d.exponent + 1);
    return layoutFixed(d, 0, ',');
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace tonvera
