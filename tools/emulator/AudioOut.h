// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where --audio-out sends the samples: a FIFO (a sound card's stand-in for a
// measuring program) or a plain file. The protocol never waits for it: a
// FIFO is opened without blocking once a reader has come, and what the
// reader does not take in time, or what comes while no one reads, is dropped.
//
// Samples go out in whole pieces of AudioPieceSamples. ALSA's file plugin
// reads its input file as if it were always full: a short read of a FIFO
// leaves the rest of the period as silence (and an odd byte count would
// shift every later sample). A reader that asks for a piece, or a divisor
// of it, at a time therefore always gets whole reads.

#include <cstdint>
#include <string>
#include <vector>

namespace tonvera::emutool {

inline constexpr std::size_t AudioPieceSamples = 256;

class AudioOut {
public:
    explicit AudioOut(std::string path) : Path(std::move(path)) {}
    ~AudioOut();
    AudioOut(const AudioOut&) = delete;
    AudioOut& operator=(const AudioOut&) = delete;

    // Makes the file, or checks the FIFO that is there. False with the
    // reason in `error`.
    bool prepare(std::string& error);
    // Writes the samples, little-endian, when someone reads.
    void write(const std::vector<std::int16_t>& samples);

    [[nodiscard]] bool connected() const { return Fd >= 0; }
    [[nodiscard]] std::uint64_t dropped() const { return Dropped; }

private:
    void connect();

    std::string Path;
    bool Fifo = false;
    int Fd = -1;
    std::uint64_t Dropped = 0;
    std::string Pending; // less than a piece, waiting for the rest
};

} // namespace tonvera::emutool
