#pragma once
// A two-channel WAV file of a rendered run: channel 1 the signal output,
// channel 2 the trigger output. 16-bit PCM maps the converter's range
// (+-32767) onto the full sample range and the trigger's high level onto
// 32767; 32-bit float maps them onto +-1.0 and 1.0, which keeps the
// fractions the final attenuator leaves.

#include <cstdint>
#include <string>

namespace tonvera::cli {

class WavFile {
public:
    WavFile(std::uint32_t rate, bool floatSamples) : Rate(rate), Float(floatSamples) {}

    // One frame: the output in converter units, the trigger level.
    void add(double output, bool trigger);
    std::uint64_t frames() const { return Frames; }
    std::uint32_t bytesPerFrame() const { return Float ? 8 : 4; }

    // The complete file: header and the frames added so far.
    std::string bytes() const;

    // The most frames a file can hold (its sizes are 32-bit).
    std::uint64_t maxFrames() const { return (0xFFFFFFFFull - 64) / bytesPerFrame(); }

private:
    std::uint32_t Rate;
    bool Float;
    std::uint64_t Frames = 0;
    std::string Data;
};

} // namespace tonvera::cli
