// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A measuring microphone on a sound card input, read through ALSA: the level
// of the tone the device plays, in a narrow band around its frequency so that
// room noise and the tone's own harmonics do not count. The microphone's
// sensitivity comes from its calibrator (the reference step) or is given.

#include "run/LevelSource.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tonvera::audio {

struct CaptureDevice {
    std::string name;        // what snd_pcm_open takes, e.g. "plughw:1,0"
    std::string description; // ALSA's text for it, lines joined by " - "
};

// ALSA's capture PCMs as its configuration names them; empty when it names
// none.
[[nodiscard]] std::vector<CaptureDevice> CaptureDevices();

// Level of a narrow band around `hz` in dBFS (a full-scale sine reads
// 0 dBFS). The band is a few analysis bins wide (their width is rate divided
// by the number of samples), at most a third of an octave. Silence or no
// samples read -infinity.
[[nodiscard]] double BandLevelDbfs(std::span<const float> samples, double rate, double hz);

class MicLevelSource : public tonvera::LevelSource {
public:
    explicit MicLevelSource(std::string device, unsigned rate = 48000);
    MicLevelSource(const MicLevelSource&) = delete;
    MicLevelSource& operator=(const MicLevelSource&) = delete;

    // The level in dBFS that 94 dB SPL gives.
    void setSensitivity(double dbfsAt94);
    [[nodiscard]] std::optional<double> sensitivity() const;

    // The reference step: the calibrator's tone (refDbSpl at refHz) is
    // measured and becomes the sensitivity; returns it.
    double calibrate(double refHz, double refDbSpl, double seconds);

    // dB SPL; needs the sensitivity.
    double measure(double hz, double seconds) override;

    [[nodiscard]] const std::string& device() const { return device_; }

    // The samples of `seconds` from the input, -1..1. Aborts when the device
    // cannot be opened, delivers nothing within a few seconds, or clips.
    [[nodiscard]] std::vector<float> capture(double seconds) const;

private:
    std::string device_;
    unsigned rate_;
    std::optional<double> sensitivity_;
};

} // namespace tonvera::audio
