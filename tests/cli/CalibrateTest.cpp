// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli calibrate against tonvera-emu, the meter's readings typed on
// standard input.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "CliProcess.h"
#include "support/EmuProcess.h"

namespace tonvera::test {
namespace {

TEST(CliCalibrate, TypedReadingsBecomeTheTableAndTheRecord)
{
    TempDir dir;
    // Target 70 dB SPL. Measuring: 4 dB too loud, 0.5 dB too soft, 4 too
    // soft; a reading that is no number is asked again. Checking: the
    // 4 kHz step is still 1.5 dB too soft through its -4 dB, so it is
    // measured again through them and its correction becomes -5.5.
    std::ofstream(dir.path("readings")) << "74\n69,5\nlaut\n66\n"
                                           "70.2\n70\n68.5\n"
                                           "68.5\n70.4\n";
    EmuProcess emu({"--log", "{dir}/packets.log"});
    CliProcess cli({"calibrate", "--port", emu.link(), "--meter", "--out", dir.path("raum.cal"), "--frequencies",
                    "250,1000,4000", "--at", "30", "--level-at-0db", "100", "--max", "80"},
                   dir.path("readings"));
    ASSERT_EQ(cli.wait(), 0) << cli.out() << cli.err();
    EXPECT_TRUE(Contains(cli.out(), "'laut' ist keine Zahl")) << cli.out();
    EXPECT_TRUE(Contains(cli.out(), "Außerhalb der Toleranz: 4000 Hz; neu gemessen")) << cli.out();
    EXPECT_EQ(ReadAll(dir.path("raum.cal")), "250/4.00\r\n1000/-0.50\r\n4000/-5.50\r\n");
    const std::string record = ReadAll(dir.path("raum-protokoll.txt"));
    EXPECT_TRUE(Contains(record, "Messquelle: Schallpegelmesser")) << record;
    EXPECT_TRUE(Contains(record, "         4000        64.50         -5.50         70.40           0.40")) << record;
    EXPECT_TRUE(std::filesystem::file_size(dir.path("raum-kurven.png")) > 1000);
}

TEST(CliCalibrate, AStepAboveTheMaximumIsRefusedBeforeAnythingIsSent)
{
    TempDir dir;
    std::ofstream(dir.path("readings")) << "70\n";
    EmuProcess emu({"--log", "{dir}/packets.log"});
    // 100 - 30 = 70 dB SPL expected, 65 allowed.
    CliProcess cli({"calibrate", "--port", emu.link(), "--meter", "--out", dir.path("raum.cal"), "--max", "65"},
                   dir.path("readings"));
    EXPECT_EQ(cli.wait(), 1) << cli.out() << cli.err();
    EXPECT_TRUE(Contains(cli.err(),
                         "Schritt 125 Hz nicht gespielt: erwarteter Pegel 70.0 dB SPL über dem "
                         "Höchstpegel von 65.0 dB SPL"))
        << cli.err();
    EXPECT_FALSE(Contains(cli.out(), "Anzeige des Schallpegelmessers"));
    EXPECT_FALSE(std::filesystem::exists(dir.path("raum.cal")));
    // Set-up sent no frequency and no start: the closing stop is the last.
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        const std::string log = ReadAll(emu.path("packets.log"));
        return log.size() >= 18 && log.substr(log.size() - 18) == "20 00 00 00 00 00\n";
    }));
    for (const std::string& line : Lines(ReadAll(emu.path("packets.log")))) {
        EXPECT_NE(line.substr(0, 3), "42 ") << line;
        EXPECT_NE(line.substr(0, 3), "62 ") << line;
        EXPECT_NE(line, "00 00 00 00 00 00");
    }
}

} // namespace
} // namespace tonvera::test
