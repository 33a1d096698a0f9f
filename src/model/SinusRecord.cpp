// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SinusRecord.h"

#include "model/Errors.h"

namespace tonvera {

void SinusRecord::SetDefaultTexts()
{
    // Copies of string objects rather than assignments from literals: GCC 12
    // at -O3 reports a false overlap for the latter (its bug 105651).
    static const std::array<std::string, 7> texts = {DefaultTexts[0], DefaultTexts[1], DefaultTexts[2], DefaultTexts[3],
                                                     DefaultTexts[4], DefaultTexts[5], DefaultTexts[6]};
    for (int i = 0; i < 7; ++i)
        Text(i) = texts[static_cast<std::size_t>(i)];
}

const std::string& SinusRecord::Text(int paramIndex) const
{
    switch (paramIndex) {
    case 0: return Freq;
    case 1: return Phase;
    case 2: return Ampl;
    case 3: return Start;
    case 4: return Dach;
    case 5: return RampUp;
    case 6: return RampDown;
    default: throw RangeError();
    }
}

std::string& SinusRecord::Text(int paramIndex)
{
    return const_cast<std::string&>(static_cast<const SinusRecord&>(*this).Text(paramIndex));
}

std::int32_t UsedCount(const SinusArray& records)
{
    std::int32_t n = 0;
    for (const SinusRecord& r : records)
        if (r.Used)
            ++n;
    return n;
}

const char* SignalTypeName(std::int32_t type)
{
    switch (type) {
    case TypeSinus: return "Sinus";
    case TypeSinusEich: return "Sinus geeicht";
    case TypeAM: return "AM";
    case TypeRechteck: return "Rechteck";
    case TypeRauschen: return "Rauschen";
    case TypeMute: return "Mute";
    default: return "";
    }
}

} // namespace tonvera
