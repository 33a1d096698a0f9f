// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/WaveTable.h"

#include "model/Errors.h"

namespace tonvera {

std::int32_t& WaveTable::at(long i)
{
    if (i < 0 || i >= static_cast<long>(Size))
        throw RangeError();
    return data_[static_cast<std::size_t>(i)];
}

const std::int32_t& WaveTable::at(long i) const
{
    if (i < 0 || i >= static_cast<long>(Size))
        throw RangeError();
    return data_[static_cast<std::size_t>(i)];
}

} // namespace tonvera
