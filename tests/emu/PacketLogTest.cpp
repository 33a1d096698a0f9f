// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "emu/PacketLog.h"
#include "device/Protocol.h"

namespace tonvera::emu {
namespace {

TEST(PacketLog, OneHexLinePerPacketAndTableWordRunsFolded)
{
    std::ostringstream out;
    {
        PacketLog log(out);
        log.packet({0x20, 0, 0, 0, 0, 0});
        log.packet({0x62, 0x0a, 0x00, 0x62, 0x10, 0xff});
        EXPECT_EQ(out.str(), "20 00 00 00 00 00\n62 0a 00 62 10 ff\n");
        for (int k = 0; k < 300; ++k)
            log.packet(protocol::MakeTableWordPacket(32768 + k, -k));
        // The run is still open: nothing written for it yet.
        EXPECT_EQ(out.str(), "20 00 00 00 00 00\n62 0a 00 62 10 ff\n");
        // An address jump starts a new run.
        log.packet(protocol::MakeTableWordPacket(5, 1));
        log.packet(protocol::MakeTableWordPacket(6, 1));
        log.packet({0x66, 0, 0, 0, 1, 0});
        log.packet(protocol::MakeTableWordPacket(0, 0));
    } // the destructor writes the last run
    EXPECT_EQ(out.str(),
              "20 00 00 00 00 00\n"
              "62 0a 00 62 10 ff\n"
              "q 32768 300\n"
              "q 5 2\n"
              "66 00 00 00 01 00\n"
              "q 0 1\n");
}

} // namespace
} // namespace tonvera::emu
