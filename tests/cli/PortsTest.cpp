// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli ports: the list of serial ports, as lines or as JSON.

#include <cstdlib>

#include "CliProcess.h"

namespace tonvera::test {
namespace {

TEST(CliPorts, ListsTheRunningEmulatorAsLinesOrJsonAndNamesItsLink)
{
    TempDir runtime;
    std::ofstream(runtime.path("tonvera-emu")).put('\n');
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path("").c_str(), 1);
    const CliResult text = RunCli({"ports"});
    const CliResult json = RunCli({"ports", "--json"});
    const CliResult extra = RunCli({"ports", "x.tva"});
    const CliResult onlyLink = RunCli({"ports", "--emulator-link"});
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");

    const std::string link = runtime.path("tonvera-emu");
    EXPECT_EQ(text.code, 0) << text.err;
    // The emulator comes last, after whatever ports this machine has.
    EXPECT_TRUE(text.out.ends_with(link + "  Geräteemulator tonvera-emu\n")) << text.out;
    EXPECT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("[\n  {\"path\": ")) << json.out;
    EXPECT_TRUE(Contains(json.out, "{\"path\": \"" + link + "\", \"device\": \"" + link +
                                       "\", \"description\": \"Geräteemulator tonvera-emu\""))
        << json.out;
    EXPECT_TRUE(json.out.ends_with("}\n]\n"));
    // scripts/run starts the emulator where this says, whether or not one runs.
    EXPECT_EQ(onlyLink.code, 0) << onlyLink.err;
    EXPECT_EQ(onlyLink.out, link + "\n");
    EXPECT_EQ(extra.code, 2);
    EXPECT_TRUE(Contains(extra.err, "Befehl ports erwartet keine Datei")) << extra.err;
}

} // namespace
} // namespace tonvera::test
