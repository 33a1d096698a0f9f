#include "model/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "model/Errors.h"

namespace tonvera {

double rnd(double x) { return std::nearbyint(x); }
long double rnd(long double x) { return std::nearbyintl(x); }

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

    if (i < n && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-')
            out[len++] = '-';
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < n && isDigit(t[i])) {
        out[len++] = t[i++];
        ++mantissaDigits;
    }
    if (i < n && (t[i] == sepA || (sepB != 0 && t[i] == sepB))) {
        out[len++] = '.';
        ++i;
        while (i < n && isDigit(t[i])) {
            out[len++] = t[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return result;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        out[len++] = 'e';
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) {
            if (t[i] == '-')
                out[len++] = '-';
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < n && isDigit(t[i])) {
            out[len++] = t[i++];
            ++expDigits;
        }
        if (expDigits == 0)
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

std::string formatGeneral(double value, int digits, char separator, bool tinyFixed)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0)
        return "0";
    if (digits < 1)
        digits = 1;
    if (digits > 17)
        digits = 17;

    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::scientific, digits - 1);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));

    bool negative = false;
    std::size_t pos = 0;
    if (sci[pos] == '-') {
        negative = true;
        ++pos;
    }
    std::string mant;
    while (pos < sci.size() && sci[pos] != 'e') {
        if (sci[pos] != '.')
            mant.push_back(sci[pos]);
        ++pos;
    }
    int exponent = std::atoi(std::string(sci.substr(pos + 1)).c_str());
    while (mant.size() > 1 && mant.back() == '0')
        mant.pop_back();

    std::string out;
    if (negative)
        out.push_back('-');
    const bool scientific = exponent >= digits || (!tinyFixed && exponent < -4);
    if (scientific) {
        out.push_back(mant[0]);
        if (mant.size() > 1) {
            out.push_back(separator);
            out.append(mant, 1, std::string::npos);
        }
        out.push_back('E');
        out += std::to_string(exponent);
        return out;
    }
    if (exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        if (mant.size() <= intDigits) {
            out += mant;
            out.append(intDigits - mant.size(), '0');
        } else {
            out.append(mant, 0, intDigits);
            out.push_back(separator);
            out.append(mant, intDigits, std::string::npos);
        }
    } else {
        out.push_back('0');
        out.push_back(separator);
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += mant;
    }
    return out;
}

} // namespace

std::string FormatGeneral(double value, int digits, char separator)
{
    return formatGeneral(value, digits, separator, true);
}

std::string FormatTabPara(double value, char separator) { return formatGeneral(value, 2, separator, false); }

std::string FormatFixed(double value, int decimals, char separator)
{
    if (!std::isfinite(value))
        return formatGeneral(value, 6, separator, true);
    if (decimals < 0)
        decimals = 0;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, decimals);
    std::string out(buf, res.ptr);
    for (char& c : out)
        if (c == '.')
            c = separator;
    return out;
}

std::string IntegerText(double value)
{
    if (!std::isfinite(value))
        return formatGeneral(value, 6, ',', true);
    const double r = rnd(value);
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof(buf), r, std::chars_format::fixed, 0);
    std::string out(buf, res.ptr);
    if (out == "-0")
        out = "0";
    return out;
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
