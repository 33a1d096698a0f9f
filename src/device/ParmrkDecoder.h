// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undoes the in-band marking of line errors by the tty driver (PARMRK):
// a damaged byte or a break arrives as 0xFF 0x00 x, a real 0xFF as 0xFF 0xFF.
// We ask for the marks so a line error can be reported as one unreadable
// byte instead of passing as a wrong but plausible value.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "device/SerialLine.h"

namespace tonvera {

class ParmrkDecoder {
public:
    void feed(std::span<const std::uint8_t> raw) { Raw.insert(Raw.end(), raw.begin(), raw.end()); }

    // The next decoded byte, or none when the buffer holds no complete one
    // (a mark whose rest has not arrived yet stays buffered).
    LineRead next()
    {
        if (Raw.empty())
            return LineRead::none();
        if (Raw[0] != 0xFF) {
            const std::uint8_t b = Raw.front();
            Raw.pop_front();
            return LineRead::byte(b);
        }
        if (Raw.size() < 2)
            return LineRead::none();
        if (Raw[1] == 0xFF) {
            Raw.erase(Raw.begin(), Raw.begin() + 2);
            return LineRead::byte(0xFF);
        }
        if (Raw[1] == 0x00) {
            if (Raw.size() < 3)
                return LineRead::none();
            Raw.erase(Raw.begin(), Raw.begin() + 3);
            return LineRead::unreadable();
        }
        // The driver never produces this; pass the bytes on rather than stall.
        Raw.pop_front();
        return LineRead::byte(0xFF);
    }

    [[nodiscard]] bool pending() const { return !Raw.empty(); }
    void clear() { Raw.clear(); }

private:
    std::deque<std::uint8_t> Raw;
};

} // namespace tonvera
