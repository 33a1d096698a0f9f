// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial line for unit tests: records every block written, in order, and
// plays back reply bytes. With no replies queued the line is silent. A
// responder stands in for the device: it sees each written block and may
// queue replies, e.g. one status byte per complete 6-byte packet.

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/SerialLine.h"

namespace tonvera::test {

class ScriptedLine : public SerialLine {
public:
    using Block = std::vector<std::uint8_t>;
    using Responder = std::function<void(ScriptedLine&, std::span<const std::uint8_t>)>;

    // --- Open state. The line starts open so a device object can talk at once.
    bool opened = true;
    bool openSucceeds = true; // what the next open() yields
    std::vector<std::string> openedNames;
    int closeCount = 0;

    std::string denied; // what deniedText() says after a failed open

    std::string deniedText(const std::string&) const override { return denied; }
    bool open(const std::string& name) override
    {
        openedNames.push_back(name);
        opened = openSucceeds;
        return opened;
    }
    void close() override
    {
        ++closeCount;
        opened = false;
    }
    bool isOpen() const override { return opened; }

    // --- What the program wrote.
    std::vector<Block> writes; // one entry per write call
    int droppedWrites = 0;     // writes while closed (lost)

    void writeBlock(std::span<const std::uint8_t> bytes) override
    {
        if (!opened) {
            ++droppedWrites;
            return;
        }
        writes.emplace_back(bytes.begin(), bytes.end());
        if (faultAtWrite == writes.size())
            pendingFault = scriptedFault;
        if (responder)
            responder(*this, bytes);
    }

    // --- Faults: the write with this number (1 = the first) meets the fault.
    std::size_t faultAtWrite = 0;
    LineFault scriptedFault = LineFault::None;
    LineFault pendingFault = LineFault::None;
    LineFault takeFault() override
    {
        const LineFault f = pendingFault;
        pendingFault = LineFault::None;
        return f;
    }

    // The number of writes made before each waitSent().
    std::vector<std::size_t> waitSentAfter;
    void waitSent() override { waitSentAfter.push_back(writes.size()); }

    // Every byte written, in order, regardless of how it was split into writes.
    Block allBytes() const
    {
        Block all;
        for (const Block& b : writes)
            all.insert(all.end(), b.begin(), b.end());
        return all;
    }
    void clearWrites() { writes.clear(); }

    // --- Replies.
    std::deque<LineRead> input;
    int readCount = 0;     // readByte calls
    int readsWithByte = 0; // of those, how many got something
    Responder responder;

    void queueReply(std::uint8_t b) { input.push_back(LineRead::byte(b)); }
    void queueReplies(std::initializer_list<std::uint8_t> bs)
    {
        for (std::uint8_t b : bs)
            queueReply(b);
    }
    void queueUnreadable() { input.push_back(LineRead::unreadable()); }

    LineRead readByte() override
    {
        ++readCount;
        if (!opened || input.empty())
            return LineRead::none();
        const LineRead r = input.front();
        input.pop_front();
        ++readsWithByte;
        return r;
    }

    // --- Ready-made devices.

    // Answers each complete 6-byte packet (counting bytes across writes, so
    // single synchronisation bytes complete packets too) with the next entry
    // of answers; nullopt answers nothing. When the list is used up, answers
    // with `afterwards` (silence by default).
    static Responder answerPackets(std::vector<std::optional<std::uint8_t>> answers,
                                   std::optional<std::uint8_t> afterwards = std::nullopt)
    {
        struct State {
            std::deque<std::optional<std::uint8_t>> answers;
            std::optional<std::uint8_t> afterwards;
            std::size_t bytes = 0;
        };
        auto st = std::make_shared<State>();
        st->answers.assign(answers.begin(), answers.end());
        st->afterwards = afterwards;
        return [st](ScriptedLine& line, std::span<const std::uint8_t> written) {
            for (std::size_t i = 0; i < written.size(); ++i) {
                if (++st->bytes % 6 != 0)
                    continue;
                std::optional<std::uint8_t> a = st->afterwards;
                if (!st->answers.empty()) {
                    a = st->answers.front();
                    st->answers.pop_front();
                }
                if (a)
                    line.queueReply(*a);
            }
        };
    }

    // A device that answers every packet with the same status byte.
    static Responder answerEveryPacket(std::uint8_t status) { return answerPackets({}, status); }

    // A line that echoes something for every single byte: not a packet device.
    static Responder answerEveryByte(std::uint8_t value)
    {
        return [value](ScriptedLine& line, std::span<const std::uint8_t> written) {
            for (std::size_t i = 0; i < written.size(); ++i)
                line.queueReply(value);
        };
    }
};

} // namespace tonvera::test
