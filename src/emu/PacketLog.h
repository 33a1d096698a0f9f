// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packet log: one line per complete packet, its six bytes in lower-case
// hex. A table upload would be 32768 lines, so a run of table words with
// consecutive addresses becomes one line "q ADDRESS COUNT". That line can
// only be written when the run ends (the next packet, a jump in the address,
// or finish()); every line is flushed as soon as it is written.

#include <cstdint>
#include <ostream>
#include <string>

#include "emu/Registers.h"

namespace tonvera::emu {

[[nodiscard]] std::string HexLine(const Packet& p);

class PacketLog {
public:
    explicit PacketLog(std::ostream& out) : Out(&out) {}
    ~PacketLog() { finish(); }
    PacketLog(const PacketLog&) = delete;
    PacketLog& operator=(const PacketLog&) = delete;

    void packet(const Packet& p);
    // Writes a pending run of table words.
    void finish();

private:
    void line(const std::string& text);

    std::ostream* Out;
    std::uint32_t RunFirst = 0;
    std::uint64_t RunCount = 0;
};

} // namespace tonvera::emu
