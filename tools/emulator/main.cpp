// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-emu: the signal generator on a pseudo-terminal.
//
// Opens a pty, points a symbolic link at its terminal device and serves the
// device protocol there until SIGINT or SIGTERM. See README.md.

#include <cstdio>

#include "Options.h"
#include "Serve.h"

using namespace tonvera::emutool;

int main(int argc, char** argv)
{
    Settings s;
    bool help = false;
    if (const auto error = ParseArguments(argc, argv, s, help)) {
        std::fprintf(stderr, "tonvera-emu: %s\n\n%s", error->c_str(), Usage);
        return 2;
    }
    if (help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    return Serve(s);
}
