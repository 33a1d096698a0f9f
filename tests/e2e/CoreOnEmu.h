// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MainCore on the real serial layer against tonvera-emu, with the 50 ms
// timer played by a loop that ticks the core while the view's timer is on.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run/MainCore.h"
#include "support/CoreSetup.h"
#include "support/EmuProcess.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera::test {

using namespace std::chrono_literals;

struct LogPacket {
    std::vector<std::uint8_t> bytes; // empty for a run of table words
    std::string text;
};

class CoreOnEmu {
public:
    explicit CoreOnEmu(std::vector<std::string> args) : emu(std::move(args)) {}

    EmuProcess emu;
    test::FakeView view;
    test::RecordingDialogs dialogs;
    MainCore core{view, dialogs}; // the real port and real pauses

    void addSine(int i, const std::string& freq) { test::AddSine(core, i, freq); }
    void variable(std::vector<std::string> values) { test::SetVariableF(core, std::move(values)); }
    void sineThroughF(std::vector<std::string> values) { test::SineThroughF(core, view, std::move(values)); }

    // "Start", then the timer until the run has ended.
    bool runToEnd(std::chrono::milliseconds limit)
    {
        core.StartButtonClick();
        return tickUntil([&] { return !running(); }, limit);
    }

    // The timer: a tick every 50 ms while it is on, until pred holds.
    bool tickUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 10s)
    {
        auto next = std::chrono::steady_clock::now();
        const auto deadline = next + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (view.timer)
                core.Timer1Timer();
            if (pred())
                return true;
            next += 50ms;
            std::this_thread::sleep_until(next);
        }
        return false;
    }
    bool running() { return core.device().Running; }

    // The emulator's packet log, parsed.
    std::vector<LogPacket> log() const
    {
        std::ifstream in(emu.path("packets.log"));
        std::vector<LogPacket> out;
        std::string line;
        while (std::getline(in, line)) {
            LogPacket p;
            p.text = line;
            if (!line.empty() && line[0] != 'q') {
                std::istringstream hex(line);
                unsigned v;
                while (hex >> std::hex >> v)
                    p.bytes.push_back(static_cast<std::uint8_t>(v));
            }
            out.push_back(p);
        }
        return out;
    }
    // Waits until the emulator has logged the program's last packet, the
    // stop: it reads the line on its own schedule.
    bool logEndsWithStop() const
    {
        return EmuProcess::waitFor([&] {
            const auto l = log();
            return !l.empty() && l.back().text == "20 00 00 00 00 00";
        });
    }
    // Frequency words of signal 0 and starts, in log order: a start is "S".
    std::vector<std::string> freqsAndStarts() const
    {
        std::vector<std::string> out;
        const auto l = log();
        for (std::size_t i = 0; i < l.size(); ++i) {
            const auto& b = l[i].bytes;
            if (b.size() != 6)
                continue;
            if ((b[0] == 66 || b[0] == 98) && b[1] == 0)
                out.push_back(std::to_string(b[3] | (b[4] << 8) | (b[5] << 16)));
            if (b == std::vector<std::uint8_t>{32, 0, 0, 0, 0, 0} && i + 1 < l.size() &&
                l[i + 1].bytes == std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0})
                out.push_back("S");
        }
        return out;
    }
};

} // namespace tonvera::test
