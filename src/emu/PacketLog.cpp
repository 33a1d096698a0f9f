// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/PacketLog.h"

namespace tonvera::emu {

namespace {
constexpr std::uint8_t TableWordCode = 113;
}

std::string HexLine(const Packet& p)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(17);
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (i)
            s += ' ';
        s += Digits[p[i] >> 4];
        s += Digits[p[i] & 0xF];
    }
    return s;
}

void PacketLog::line(const std::string& text)
{
    *Out << text << '\n';
    Out->flush();
}

void PacketLog::packet(const Packet& p)
{
    if (p[0] == TableWordCode) {
        const std::uint32_t address = p[1] | (p[2] << 8) | (std::uint32_t(p[3]) << 16);
        if (RunCount > 0 && address == RunFirst + RunCount) {
            ++RunCount;
            return;
        }
        finish();
        RunFirst = address;
        RunCount = 1;
        return;
    }
    finish();
    line(HexLine(p));
}

void PacketLog::finish()
{
    if (RunCount == 0)
        return;
    line("q " + std::to_string(RunFirst) + " " + std::to_string(RunCount));
    RunCount = 0;
}

} // namespace tonvera::emu
