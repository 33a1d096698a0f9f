// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The emulator's device model behind a serial line in the test's own
// process, on a virtual clock: every pause moves the clock, so the window's
// run control plays a whole run through its positions in no time. Every
// packet is logged as tonvera-emu --log writes it.

#include <chrono>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "emu/Emulator.h"
#include "emu/PacketLog.h"
#include "device/Pause.h"
#include "device/SerialLine.h"

namespace tonvera::test {

class VirtualDevice : public SerialLine, public Pause {
public:
    VirtualDevice() : Emu(emu::EmulatorOptions{}), Log(LogText)
    {
        Emu.onPacket = [this](const emu::Packet& p) { Log.packet(p); };
    }

    bool open(const std::string&) override { return Opened = true; }
    void close() override { Opened = false; }
    bool isOpen() const override { return Opened; }
    void writeBlock(std::span<const std::uint8_t> bytes) override
    {
        if (!Opened)
            return;
        const auto replies = Emu.receive(bytes, Now);
        Input.insert(Input.end(), replies.begin(), replies.end());
    }
    LineRead readByte() override
    {
        if (!Opened || Input.empty())
            return LineRead::none();
        const std::uint8_t b = Input.front();
        Input.pop_front();
        return LineRead::byte(b);
    }
    void pause(int ms) override
    {
        Now += std::chrono::milliseconds(ms);
        Emu.tick(Now);
    }

    // The packet log so far, one line per packet.
    std::vector<std::string> log()
    {
        Log.finish();
        std::vector<std::string> lines;
        std::istringstream in(LogText.str());
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        return lines;
    }

private:
    emu::Emulator Emu;
    emu::EmuTime Now{0};
    std::deque<std::uint8_t> Input;
    bool Opened = false;
    std::ostringstream LogText;
    emu::PacketLog Log;
};

} // namespace tonvera::test
