// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A number written with as many significant digits as it needs to read back
// as exactly the same double: the project file's form of the AM carrier
// multiple, which an earlier two-digit form rounded (12.5 came back as 13).

#include <string>

namespace tonvera {

// The general format with the shortest digits that round-trip: plain
// decimals from 0.0001 up to 15 integer digits, else one digit, the
// separator and the other digits, "E" and the exponent, with no "+" (so
// 0.00005 gives "5E-5" as before, 12.5 gives "12,5"). Zero is "0"; a value
// that is not finite gives "NAN", "INF" or "-INF", which no reader accepts.
[[nodiscard]] std::string FormatRoundTrip(double value, char separator = ',');

} // namespace tonvera
