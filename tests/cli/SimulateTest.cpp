// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli simulate: the simulation window's figures as text.

#include "CliProcess.h"

namespace tonvera::test {
namespace {

TEST(CliSimulate, TotalDurationAndEachPosition)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.variable(0, {"L", "1000", "2000", "1500"});
    p.variable(1, {"T", "10", "20,5", "30"});
    p.globals.Signaldauer = "L";
    p.globals.Triggerstart = "T";
    p.globals.Triggerstop = "2*T+100";
    p.write(dir.path("p.tva"));
    const CliResult r = RunCli({"simulate", dir.path("p.tva")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Dauer des Gesamtsignals: 4,5 Sekunden\n"
              "Position 1: Beginn 0 ms, Dauer 1000 ms, Trigger 10 bis 120 ms\n"
              "Position 2: Beginn 1000 ms, Dauer 2000 ms, Trigger 20,5 bis 141 ms\n"
              "Position 3: Beginn 3000 ms, Dauer 1500 ms, Trigger 30 bis 160 ms\n");
    EXPECT_EQ(r.err, "");

    // A list plays its entries, repeats included.
    const CliResult listed = RunCli({"simulate", dir.path("p.tva"), "--order", "3 1 3"});
    EXPECT_EQ(listed.out,
              "Dauer des Gesamtsignals: 4 Sekunden\n"
              "Position 3: Beginn 0 ms, Dauer 1500 ms, Trigger 30 bis 160 ms\n"
              "Position 1: Beginn 1500 ms, Dauer 1000 ms, Trigger 10 bis 120 ms\n"
              "Position 3: Beginn 2500 ms, Dauer 1500 ms, Trigger 30 bis 160 ms\n");
}

TEST(CliSimulate, NeedsVariablesAndReportsBadTextsOnce)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.write(dir.path("plain.tva"));
    const CliResult none = RunCli({"simulate", dir.path("plain.tva")});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Achtung: Simulation nur sinnvoll, wenn Variablen verwendet werden!\n");

    p.variable(0, {"L", "100", "200"});
    p.globals.Signaldauer = "LAENGE"; // no such variable: -10 at every position
    p.write(dir.path("bad.tva"));
    const CliResult bad = RunCli({"simulate", dir.path("bad.tva")});
    EXPECT_EQ(bad.code, 0);
    EXPECT_EQ(bad.err, "Achtung: LAENGE ist kein gültiger Wert!\n");
    EXPECT_TRUE(Contains(bad.out, "Dauer des Gesamtsignals: -0,02 Sekunden\n")) << bad.out;
}

} // namespace
} // namespace tonvera::test
