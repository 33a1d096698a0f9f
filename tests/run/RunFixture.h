// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A MainCore on a scripted line with a device that answers every complete
// packet with the status byte the test sets, on a virtual clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "run/MainCore.h"
#include "run/RunEvents.h"
#include "support/CoreSetup.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera::test {

using Bytes = std::vector<std::uint8_t>;
using Writes = std::vector<Bytes>;

inline Bytes Packet(int code, int b1, int b2 = 0, int b3 = 0, int b4 = 0, int b5 = 0)
{
    return Bytes{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2),
                 static_cast<std::uint8_t>(b3),   static_cast<std::uint8_t>(b4), static_cast<std::uint8_t>(b5)};
}
inline Bytes W24(int code, int sub, std::uint32_t w)
{
    return Packet(code, sub, 0, w & 0xFF, (w >> 8) & 0xFF, w >> 16);
}

// Every event the core told, in order.
struct EventLog : RunListener {
    std::vector<PresentationStarted> started;
    std::vector<PresentationEnded> ended;
    std::vector<RunEnded> runs;
    std::vector<PositionChanged> positions;
    std::vector<FileEvent> files;
    void presentationStarted(const PresentationStarted& p) override { started.push_back(p); }
    void presentationEnded(const PresentationEnded& e) override { ended.push_back(e); }
    void runEnded(const RunEnded& e) override { runs.push_back(e); }
    void positionChanged(const PositionChanged& p) override { positions.push_back(p); }
    void fileEvent(const FileEvent& f) override { files.push_back(f); }
};

class RunFixture : public ::testing::Test {
protected:
    RunFixture()
    {
        core.events().add(events);
        line.responder = [this](ScriptedLine& l, std::span<const std::uint8_t> w) {
            for (std::size_t i = 0; i < w.size(); ++i) {
                if (++bytesWritten == loseByte)
                    continue;
                if (++bytesSeen % 6 == 0 && answering)
                    l.queueReply(status);
            }
        };
        core.FormCreate();
    }

    void addSine(int i, const std::string& freq) { test::AddSine(core, i, freq); }
    void variable(std::vector<std::string> values) { test::SetVariableF(core, std::move(values)); }
    void sineThroughF(std::vector<std::string> values) { test::SineThroughF(core, view, std::move(values)); }

    // The packets with this code byte (either run state), in order.
    Writes withCode(int code, int sub = -1) const
    {
        Writes out;
        for (const Bytes& w : line.writes)
            if (w.size() == 6 && (w[0] == code || w[0] == code + 32) && (sub < 0 || w[1] == sub))
                out.push_back(w);
        return out;
    }
    // The frequency words sent for signal 0, in order.
    std::vector<std::uint32_t> freqWords() const
    {
        std::vector<std::uint32_t> out;
        for (const Bytes& w : withCode(66, 0))
            out.push_back(w[3] | (w[4] << 8) | (std::uint32_t(w[5]) << 16));
        return out;
    }
    int starts() const
    {
        int n = 0;
        for (std::size_t i = 0; i + 1 < line.writes.size(); ++i)
            if (line.writes[i] == Packet(32, 0) && line.writes[i + 1] == Packet(0, 0))
                ++n;
        return n;
    }

    std::uint8_t status = 0;
    std::size_t bytesSeen = 0;    // bytes the device received
    std::size_t bytesWritten = 0; // bytes the program wrote
    std::size_t loseByte = 0;     // the byte (1 = the first written) the line loses
    bool answering = true;        // false: the device receives but never answers
    test::FakeView view;
    test::RecordingDialogs dialogs;
    ScriptedLine line;
    VirtualClock clock;
    MainCore core{view, dialogs, line, clock};
    EventLog events;
};

} // namespace tonvera::test
