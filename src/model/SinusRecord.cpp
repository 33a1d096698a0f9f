#include "model/SinusRecord.h"

#include "model/Errors.h"

namespace tonvera {

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

} // namespace tonvera
