// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of tonvera-cli: a command, its file arguments and its
// options. Parsing never exits; a mistake comes back as a German message.

#include <optional>
#include <string>
#include <vector>

#include "model/MainView.h"

namespace tonvera::cli {

struct CliOptions {
    std::string command;            // check, play, simulate, render, ports, calibrate
    std::vector<std::string> files; // PROJECT.tva, then OUT.wav for render
    std::optional<std::string> cal;
    std::optional<std::string> port;
    std::optional<std::string> firmware;
    std::optional<std::string> journal; // play: the journal file, appended to
    std::optional<double> timeoutSeconds;
    double rate = 48000;
    double maxSeconds = 60;
    bool floatSamples = false;
    bool json = false;         // ports
    bool emulatorLink = false; // ports: only the emulator's link
    Priority priority = Priority::Wiederzuerst;
    // --order ascending|random|"3 1 4 2" and --seed N; without them the
    // project's own order holds.
    std::optional<OrderKind> order;
    std::string orderList;
    std::optional<std::string> seed;
    // calibrate
    bool meter = false;
    std::optional<std::string> mic;
    std::optional<std::string> out;
    std::vector<double> frequencies;
    std::optional<double> attenuation;
    std::optional<double> maxLevel;
    std::optional<double> levelAt0dB;
    std::optional<double> micSensitivity;
    bool help = false;
    bool version = false;
};

struct ParseOutcome {
    CliOptions options;
    std::string error; // empty when the command line was good
};

// The project's order with the options of the command line put over it.
void ApplyOrderOptions(const CliOptions& options, OrderSetting& order);

[[nodiscard]] ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

const char* UsageText();

} // namespace tonvera::cli
