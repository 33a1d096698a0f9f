// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Number texts and rounding, in one place. Parameter texts and project files
// use the decimal comma, calibration files the point; the separator is always
// passed in, never taken from the C locale, so a user's locale cannot change
// what the program reads or writes.

#include <string>
#include <string_view>

namespace tonvera {

// Round to the nearest integer, ties to even. The device conversions use the
// long double overload so that their products keep the extra precision.
double rnd(double x);
long double rnd(long double x);

struct ParsedNumber {
    bool valid = false;
    double value = 0.0;
};

// The number test: the first comma counts as a point, then the text must be
// a number (leading blanks, sign, digits with at most one separator, optional
// exponent, nothing after it). A number too large for a double is not valid,
// so no infinity ever enters the program from a text.
[[nodiscard]] ParsedNumber ParseNumber(std::string_view text);

// Reads a number text that uses `separator` as its decimal separator (and
// only that one). Throws ConvertError with the text when it is not a number.
[[nodiscard]] double ConvertNumber(std::string_view text, char separator = ',');

// Same syntax as ConvertNumber, but reports failure instead of throwing.
[[nodiscard]] ParsedNumber TryConvertNumber(std::string_view text, char separator = ',');

// General format: at most `digits` significant digits, fixed notation without
// trailing zeros, the separator only when there is a fraction. Magnitudes
// whose integer part needs more than `digits` digits are written as
// mantissa "E" exponent without a plus sign ("1,23457E6"), because a "+"
// would split a parameter expression. Values below 0.0001 in magnitude are
// written in fixed notation with all their leading zeros ("0,0000015"): an
// "E-" form would read back as a number but would not evaluate, since the
// minus splits a parameter expression.
[[nodiscard]] std::string FormatGeneral(double value, int digits = 6, char separator = ',');

// The general format of a number that is only shown, never read back as a
// parameter text: very large and very small magnitudes (from 10^digits, and
// below 0.00001) take the exponent form with its sign and at least four
// exponent digits ("1E+0006", "1,5E-0009"), the way totals have always
// been shown.
[[nodiscard]] std::string FormatGeneralShown(double value, int digits = 6, char separator = ',');

// The four-digit variant used for the final attenuation.
[[nodiscard]] inline std::string FormatGeneral4(double value, char separator = ',')
{
    return FormatGeneral(value, 4, separator);
}

// Fixed notation with exactly `decimals` decimals and "." ("-1.50", "1000"),
// as the calibration file and editor write it.
[[nodiscard]] std::string FormatFixed(double value, int decimals, char separator = '.');

// The integer text of rnd(value) ("12", "-3"); used for the AM multiple.
[[nodiscard]] std::string IntegerText(double value);

// ASCII upper-casing: only a to z change, umlauts and all other bytes stay.
[[nodiscard]] std::string AsciiUpper(std::string_view text);
[[nodiscard]] bool AsciiEqualNoCase(std::string_view a, std::string_view b);

} // namespace tonvera
