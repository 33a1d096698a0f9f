// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli: the program without its window. See UsageText() and the
// README beside this file for the commands.

#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Commands.h"
#include "ConsoleDialogs.h"
#include "model/Errors.h"

int main(int argc, char** argv)
{
    using namespace tonvera::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    const ParseOutcome parsed = ParseCommandLine(args);
    const CliOptions& o = parsed.options;
    if (o.help) {
        std::cout << UsageText();
        return ExitOk;
    }
    if (o.version) {
        std::cout << "tonvera-cli " << TONVERA_VERSION << '\n';
        return ExitOk;
    }
    if (!parsed.error.empty()) {
        std::cerr << "tonvera-cli: " << ConsoleText(parsed.error) << "\n\n" << UsageText();
        return ExitUsage;
    }
    try {
        if (o.command == "check")
            return RunCheck(o, std::cout, std::cerr);
        if (o.command == "simulate")
            return RunSimulate(o, std::cout, std::cerr);
        if (o.command == "ports")
            return RunPorts(o, std::cout);
        if (o.command == "calibrate")
            return RunCalibrate(o, std::cin, std::cout, std::cerr);
        if (o.command == "play")
            return RunPlay(o, std::cout, std::cerr);
        return RunRender(o, std::cout, std::cerr);
    } catch (const std::exception& e) {
        // Every command catches the program's own errors; this is for the
        // unforeseen (memory, the file system), so it never ends in abort().
        std::cerr << "tonvera-cli: " << ConsoleText(e.what()) << std::endl;
        return ExitProblems;
    }
}
