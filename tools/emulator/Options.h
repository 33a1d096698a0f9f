// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What tonvera-emu is told on its command line.

#include <cstdint>
#include <optional>
#include <string>

#include "emu/Emulator.h"

namespace tonvera::emutool {

struct Settings {
    std::string link;
    std::string logFile;
    std::string firmwareOut;
    std::string control;
    std::string wavFile;
    std::uint32_t wavRate = 48000;
    std::string transducerFile;
    std::string audioOut;
    std::uint32_t audioRate = 48000;
    bool pace = false;
    bool verbose = false;
    // The process that started the emulator and holds it: when it ends,
    // however it ends, so does the emulator. 0: none.
    long parent = 0;
    // The link's folder was made for the emulator alone: it goes with it.
    bool removeLinkFolder = false;
    emu::EmulatorOptions emu;
};

extern const char* const Usage;

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> ParseArguments(int argc, char** argv, Settings& s, bool& help);

} // namespace tonvera::emutool
