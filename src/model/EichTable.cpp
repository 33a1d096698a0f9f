// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EichTable.h"

namespace tonvera {

double EichCorrection(const EichTable& table, double x)
{
    int count = table.count;
    if (count > EichTable::MaxPoints)
        count = EichTable::MaxPoints;
    if (count < 2)
        return 0.0;

    double lowerF = 0.0;
    double lowerD = 0.0;
    double upperF = 1e100;
    double upperD = 0.0;
    double smallest = 1e100;
    double largest = 0.0;
    for (int i = 0; i < count; ++i) {
        const double f = table.frequencies[static_cast<std::size_t>(i)];
        const double d = table.corrections[static_cast<std::size_t>(i)];
        if (f <= x && f > lowerF) {
            lowerF = f;
            lowerD = d;
        }
        if (f >= x && f < upperF) {
            upperF = f;
            upperD = d;
        }
        if (f < smallest)
            smallest = f;
        if (f > largest)
            largest = f;
    }
    if (x <= smallest)
        return upperD;
    if (x >= largest)
        return lowerD;
    if (x == lowerF)
        return lowerD;
    return lowerD + (upperD - lowerD) * (x - lowerF) / (upperF - lowerF);
}

} // namespace tonvera
